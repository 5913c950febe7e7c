// Visual-model sections: materials, textures, VARY index ranges, MULT meshes per
// level of detail and goblin meshes.
#include "report/report_rtf.h"

#include <algorithm>
#include <string_view>

#include "report/report_findings.h"

namespace sq {

namespace {

// MULT meshes fill the per-level slots 0 to 4 (the levels the report prints);
// slot 5 belongs to the goblin meshes and slots 6 and 7 to the detail checks.
constexpr int32_t kMultLevels = 5;
constexpr std::size_t kGoblinSlot = 5;

// The open material paragraph.
void AppendMaterials(const Model& model, std::string& body) {
  if (model.hasNrmlSTAT) {
    int64_t shaders = 0;
    bool lambert = false;
    for (const StatRecord& record : model.statTable) {
      shaders += record.paramCount;
      if (record.firstName.find("lambert") != std::string::npos) lambert = true;
    }
    Par(body);
    // The count printed is one more than the records held.
    body += FormatInt(static_cast<int64_t>(model.statTable.size()) + 1) + " STATs";
    body += " with a total of  " + FormatInt(shaders) + " shaders ";
    body += lambert ? "(+ a 'lambert' shader). " : "(no 'lambert' shader present). ";
  } else if (model.statForms >= 1) {
    Par(body);
    body += "This is an ' elite ' - type HOD with " + FormatInt(model.statForms) + " materials, and " +
            FormatInt(model.eliteShaderCount) + (model.eliteShaderCount == 1 ? " shader." : " shaders.");
  } else if (const auto noHeaders = StatHeadersFinding(model)) {
    Par(body);
    Par(body, noHeaders->text);
  }
}

void AppendTextures(const Model& model, ReportText& report) {
  std::string& body = report.body;
  if (!model.hasLMIP) {
    Par(body);
    report.Absent("LMIP");
    return;
  }
  // The texts continue the open material paragraph.
  if (const auto mismatch = TextureCountFinding(model)) {
    Par(body, " " + mismatch->text);
  } else {
    Par(body, " Number of textures = " + FormatInt(static_cast<int64_t>(model.lmipTable.size())));
  }

  // The note looks at the first texture only.
  if (model.lmipTable.empty()) return;
  const std::string& format = model.lmipTable.front().format;
  if (format == "8888") {
    Par(body);
    Par(body, "The LMIP chunks contain at least one ' A8R8G8B8 ' (TGA) - type texture.");
  } else if (format == "DXT1") {
    Par(body);
    Par(body, "The LMIP chunks contain at least one ' DXT1 ' - type texture.");
  }
}

// The ranges of the last VARY chunk whose face lists were read: its faces'
// corners (when every corner was found) and its face lists. The corner lines
// end before their "\par".
void AppendVaryRanges(const VaryIndexRanges& r, std::string& body) {
  if (!r.faceListsRead) return;
  if (r.cornersRead) {
    Par(body, "VARY2: vertex normal indices");
    body += "maximum index = " + FormatInt(r.cornerMaximum) + "\r\n";
    Par(body);
    body += "minimum index = " + FormatInt(r.cornerMinimum) + "\r\n";
    Par(body);
    Par(body, "( # Nuv's = " + FormatInt(r.cornerCount) + " ).");
    Par(body);
  }
  Par(body, "VARY4: face lists");
  Par(body, "maximum index = " + FormatInt(r.listMaximum));
  Par(body, "minimum index = " + FormatInt(r.listMinimum));
  Par(body, "( # Nuv's = " + FormatInt(r.cornerCount) + " , # faces = " + FormatInt(r.faceCount) + " ).");
}

void AppendVary(const Model& model, std::string& body) {
  if (!model.hasVARY) return;
  Par(body);
  Par(body, "Parameters of VARY chunks 2 and 4:");
  Par(body, "=-------------------------------------------------=");
  AppendVaryRanges(model.varyIndexRanges, body);
  Par(body);
}

// The meshes of one level per object, with each sub-mesh's material.
void AppendLevelListing(const Model& model, int32_t level, std::string& body) {
  Par(body);
  Par(body, "\\tab Number of LOD" + FormatInt(level) + " meshes per object (and their material index):");
  for (std::size_t i = 0; i < model.multTable.size(); ++i) {
    const MultRecord& record = model.multTable[i];
    int64_t objectMeshCount = 0;
    for (std::size_t j = 0; j < record.lods.size(); ++j) {
      const bmsh::BmshMesh& mesh = record.lods[j].mesh;
      if (mesh.lodLevel != level) continue;
      objectMeshCount += mesh.subMeshCount;
      for (std::size_t k = 0; k < mesh.subMeshes.size(); ++k) {
        Par(body, "\\tab \\tab MULT( " + FormatInt(static_cast<int64_t>(i) + 1) + " ), BMSH( " +
                      FormatInt(static_cast<int64_t>(j) + 1) + " ), submesh( " +
                      FormatInt(static_cast<int64_t>(k) + 1) + " ) has material_tag " +
                      FormatInt(mesh.subMeshes[k].materialTag));
      }
    }
    Par(body, "\\tab Total of " + FormatInt(objectMeshCount) + " meshes for object " + RtfText(record.secondName));
  }
}

void AppendMult(const Model& model, ReportText& report) {
  if (!model.hasMULT) return;
  std::string& body = report.body;
  const auto m = static_cast<int64_t>(model.multTable.size());
  Par(body);
  if (m == 1) {
    Par(body, "1 MULT chunk with:");
    Par(body, "=-------------------------=");
  } else {
    Par(body, FormatInt(m) + " MULTs with:");
    Par(body, "=-----------------=");
  }

  const auto levels = MultLevelFaces(model);
  std::copy(levels.begin(), levels.end(), report.lodFaces.begin());
  for (int32_t l = 0; l < kMultLevels; ++l) {
    const int32_t faces = report.lodFaces[static_cast<std::size_t>(l)];
    if (faces != 0) Par(body, "LOD" + FormatInt(l) + ": " + FormatInt(faces) + " faces");
  }
  Par(body, "Face count (goblins meshes included)  = " + FormatInt(model.faceTotal));

  AppendLevelListing(model, 0, body);
  if (report.lodFaces[1] != 0) AppendLevelListing(model, 1, body);
}

void AppendGobg(const Model& model, ReportText& report) {
  if (!model.hasGOBG) {
    report.Absent("GOBG");
    return;
  }
  std::string& body = report.body;
  const auto g = static_cast<int64_t>(model.gobgTable.size());
  Par(body);
  body += FormatInt(g) + (g == 1 ? " GOBG chunk with " : " GOBGs with ");
  report.lodFaces[kGoblinSlot] = GoblinFaces(model);
  Par(body, FormatInt(report.lodFaces[kGoblinSlot]) + " faces in total.");
}

}  // namespace

void AppendVisualSections(const Model& model, ReportText& report) {
  AppendMaterials(model, report.body);
  AppendTextures(model, report);
  AppendVary(model, report.body);
  AppendMult(model, report);
  AppendGobg(model, report);
}

}  // namespace sq
