// The report's side exports, one writer per kind of chunk. Every line ends in CR
// LF; numbers are written as the report writes them; names taken from the file
// go through SideFileText, so a name can never start a line of its own.
#include "exports/side_exports.h"

#include <array>
#include <initializer_list>
#include <set>
#include <string_view>
#include <variant>

#include "hod/text_forms.h"
#include "output/file_output.h"

namespace sq {

namespace {

using Kind = SideExportSources::Kind;

// A line's head, then floats separated by one blank.
std::string Joined(std::string_view head, std::initializer_list<float> values) {
  std::string text(head);
  for (float value : values) {
    if (text.size() > head.size()) text += ' ';
    AppendFloat(text, value);
  }
  return text;
}
std::string Joined(std::string_view head, const std::array<float, 3>& v) { return Joined(head, {v[0], v[1], v[2]}); }

std::string VertexLine(const Point3& p) { return Joined("v ", {p.x, p.y, p.z}); }

// A chunk's record: the one moved into the chunk when a later chunk or run
// replaced it, else the single record or the table row that still holds it.
template <class R>
const R& RecordOf(const SideExportSources::Chunk& chunk, const R& last) {
  const auto* replaced = std::get_if<std::unique_ptr<const R>>(&chunk.replaced);
  return replaced ? **replaced : last;
}
template <class R>
const R* RowOf(const SideExportSources::Chunk& chunk, const std::vector<R>& table) {
  if (const auto* replaced = std::get_if<std::unique_ptr<const R>>(&chunk.replaced)) return replaced->get();
  const auto row = static_cast<std::size_t>(chunk.number - 1);
  return row < table.size() ? &table[row] : nullptr;
}

// The positions, the corners' normals and texture coordinates, and one face line
// per face: corner k as position/texture/normal, 1-based, the corner's own
// number serving as texture and normal number. A face on a missing corner ends
// the file there, as it ended the walk.
void WriteVary(SideFile& obj, const VaryRecord& vary) {
  obj.Line();
  obj.Line("g " + SideFileText(vary.varyName));
  for (const auto& p : vary.positions) obj.Line(Joined("v ", p));
  obj.Line("# " + FormatInt(vary.positionCount) + " vertices");
  obj.Line();
  for (const VaryCorner& c : vary.corners) obj.Line(Joined("vn ", c.normal));
  obj.Line("# " + FormatInt(vary.cornerCount) + " vertex normals");
  obj.Line();
  for (const VaryCorner& c : vary.corners) obj.Line(Joined("vt ", {c.textureCoordinate[0], c.textureCoordinate[1]}));
  obj.Line("# " + FormatInt(vary.cornerCount) + " texture coordinates");
  obj.Line();
  for (const VaryFace& face : vary.faces) {
    std::string line = "f  ";
    for (std::size_t k = 0; k < face.corners.size(); ++k) {
      const int32_t index = face.corners[k];
      if (index < 0 || static_cast<std::size_t>(index) >= vary.corners.size()) return;
      const std::string number = FormatInt(int64_t{index} + 1);
      if (k > 0) line += ' ';
      line += FormatInt(int64_t{vary.corners[static_cast<std::size_t>(index)].positionIndex} + 1);
      line.append("/").append(number).append("/").append(number);
    }
    obj.Line(line);
  }
  obj.Line("# " + FormatInt(vary.faceCount) + " faces");
}

// Each light a group of its three vectors.
void WriteLights(SideFile& obj, const LiteRecord& lite) {
  for (const Light& l : lite.lights) {
    obj.Line();
    obj.Line("g " + SideFileText(l.lightName));
    for (const auto& v : l.vectors) obj.Line(Joined("v ", v));
  }
}

// Each object a segment from the origin to its position; the vertex numbers
// start at 1 in every hierarchy.
void WriteHierarchySegments(SideFile& obj, const std::vector<HierObject>& objects) {
  obj.Line();
  int64_t vertex = 1;
  for (const HierObject& o : objects) {
    obj.Line("g " + SideFileText(o.name) + "_" + SideFileText(o.parentName));
    obj.Line("v 0 0 0");
    obj.Line(VertexLine(o.position));
    obj.Line("# 2 vertices");
    obj.Line("f  " + FormatInt(vertex) + " " + FormatInt(vertex + 1) + " " + FormatInt(vertex + 1));
    obj.Line("# 1 face");
    obj.Line();
    vertex += 2;
  }
}

// The labels end in one column.
void WriteHierarchyText(SideFile& text, const std::vector<HierObject>& objects) {
  for (const HierObject& o : objects) {
    text.Line("      object: " + SideFileText(o.name) + " parent: " + SideFileText(o.parentName));
    text.Line(Joined(" orientation: ", o.orientation));
    text.Line(Joined("       scale: ", o.scale));
    text.Line(Joined("'world' pos.: ", o.worldPosition));
    text.Line();
  }
}

void WriteTrail(SideFile& obj, const EtshRecord& r) {
  obj.Line();
  obj.Line("g " + SideFileText(r.name));
  for (const TrailSet& set : r.trailSets) {
    for (const Point3& p : set.points) obj.Line(VertexLine(p));
    obj.Line("# " + FormatInt(set.pointCount) + " vertices");
  }
  obj.Line();
}

void WriteBurn(SideFile& obj, const BurnRecord& r) {
  obj.Line();
  obj.Line("g " + SideFileText(r.name));
  for (const Point3& p : r.points) obj.Line(VertexLine(p));
  obj.Line("# " + FormatInt(r.pointCount) + " vertices");
  obj.Line();
}

// The box's eight corners, and its twelve edges as degenerate triangles.
void WriteBounds(SideFile& obj, const BndvRecord& r) {
  const Point3& a = r.cornerA;
  const Point3& b = r.cornerB;
  const Point3 corners[8] = {{a.x, a.y, a.z}, {b.x, a.y, a.z}, {a.x, b.y, a.z}, {a.x, a.y, b.z},
                             {b.x, b.y, a.z}, {b.x, a.y, b.z}, {a.x, b.y, b.z}, {b.x, b.y, b.z}};
  static constexpr const char* kEdges[12] = {"f  1 2 2", "f  1 3 3", "f  1 4 4", "f  2 5 5", "f  2 6 6", "f  4 6 6",
                                             "f  5 3 3", "f  7 3 3", "f  7 4 4", "f  8 5 5", "f  8 6 6", "f  8 7 7"};
  obj.Line();
  obj.Line("g BNDV");
  for (const Point3& p : corners) obj.Line(VertexLine(p));
  obj.Line("# 8 vertices");
  for (const char* edge : kEdges) obj.Line(edge);
  obj.Line("# 12 faces");
  obj.Line();
}

// One chunk's lines at a time, each appended to its file; a file that failed
// once is left as it is, so it never holds a later chunk behind a lost one.
class Appender {
 public:
  explicit Appender(OutputFolder& folder) : folder_(folder) {}

  template <class Write>
  void Append(std::string_view name, Write write) {
    std::string file = SafeFileName(name);
    if (failed_.contains(file)) return;
    SideFile side(folder_, file);
    write(side);
    std::string reason = side.Close();
    if (reason.empty()) return;
    failed_.insert(file);
    failures_.push_back({std::move(file), std::move(reason)});
  }

  std::vector<ExportFailure> Failures() && { return std::move(failures_); }

 private:
  OutputFolder& folder_;
  std::set<std::string, std::less<>> failed_;
  std::vector<ExportFailure> failures_;
};

}  // namespace

std::vector<ExportFailure> WriteSideExports(const Model& model, OutputFolder& folder) {
  Appender out(folder);
  for (const SideExportSources::Chunk& chunk : model.sideExports.chunks) {
    switch (chunk.kind) {
      case Kind::Vary: {
        const VaryRecord& vary = RecordOf(chunk, model.varyRecord);
        out.Append("VARY_" + SafeFileName(vary.varyName) + ".obj", [&](SideFile& f) { WriteVary(f, vary); });
        break;
      }
      case Kind::Lights:
        out.Append("LITEs.OBJ", [&](SideFile& f) { WriteLights(f, RecordOf(chunk, model.liteRecord)); });
        break;
      case Kind::Hierarchy: {
        const std::vector<HierObject>& objects = RecordOf(chunk, model.hierarchyTable);
        out.Append("HIER1.obj", [&](SideFile& f) { WriteHierarchySegments(f, objects); });
        out.Append("HIER2.txt", [&](SideFile& f) { WriteHierarchyText(f, objects); });
        break;
      }
      case Kind::Trail:
        if (const EtshRecord* trail = RowOf(chunk, model.etshTable)) {
          out.Append("etshCpoints.obj", [&](SideFile& f) { WriteTrail(f, *trail); });
        }
        break;
      case Kind::Burn:
        if (const BurnRecord* burn = RowOf(chunk, model.burnTable)) {
          out.Append("burn" + FormatInt(chunk.number) + "Cpoints.obj", [&](SideFile& f) { WriteBurn(f, *burn); });
        }
        break;
      case Kind::Bounds:
        out.Append("BNDVpoints.obj", [&](SideFile& f) { WriteBounds(f, RecordOf(chunk, model.bndvRecord)); });
        break;
    }
  }
  return std::move(out).Failures();
}

}  // namespace sq
