// Background sections: the mesh chunks of the BGMS form with their vertex and face
// counts, the star maps, and the point stars.
#include "report/report_rtf.h"

#include <cmath>

namespace sq {

namespace {

// Faces of a background mesh part as the report counts them: a triangle list adds
// a third of its indices, the running sum rounded to the nearest whole number;
// every other type counts as a strip of indexCount - 2 faces.
int64_t BackgroundFaces(const MeshPart& part) {
  int64_t faces = 0;
  for (const IndexList& list : part.indexLists) {
    if (list.primitiveType == kTriangleList) {
      faces = static_cast<int64_t>(std::nearbyint(static_cast<double>(faces) + list.indexCount / 3.0));
    } else {
      faces += static_cast<int64_t>(list.indexCount) - 2;
    }
  }
  return faces;
}

void AppendMeshSection(const Model& model, std::string& body) {
  Par(body);
  Par(body, "BGMS reporting:");
  Par(body, "=-------------------=");
  int64_t total = 0;
  for (std::size_t i = 0; i < model.bgmsTable.size(); ++i) {
    const MeshChunk& chunk = model.bgmsTable[i];
    int32_t vertexCount = 0;
    int64_t faces = 0;
    if (!chunk.parts.empty()) {
      vertexCount = chunk.parts.front().vertexCount;
      faces = BackgroundFaces(chunk.parts.front());
    }
    Par(body, "BMSH chunk " + FormatInt(static_cast<int64_t>(i) + 1) + " contains \\tab " + FormatInt(vertexCount) +
                  " vertices and \\tab " + FormatInt(faces) + " faces;");
    total += faces;
  }
  Par(body);
  body.append("\\tab \\tab \\tab \\tab Total number of faces : " + FormatInt(total) + " ");
  Par(body);
  Par(body);
}

void AppendStarMapSection(const Model& model, std::string& body) {
  Par(body);
  Par(body, "BGSG reporting:");
  Par(body, "=-------------------=");
  for (std::size_t i = 0; i < model.bgsgTable.size(); ++i) {
    const StarMapChunk& chunk = model.bgsgTable[i];
    Par(body, "BGSG chunk " + FormatInt(static_cast<int64_t>(i) + 1) + " contains " + FormatInt(chunk.recordCount) +
                  " star-map positions ( " + RtfText(chunk.textureName) + " ):");
  }
}

void AppendPointStarSection(const Model& model, std::string& body) {
  Par(body);
  Par(body, "STRF reporting:");
  Par(body, "=------------------=");
  int64_t total = 0;
  for (std::size_t i = 0; i < model.strfTable.size(); ++i) {
    const int32_t stars = model.strfTable[i].starCount;
    Par(body,
        "STRF chunk " + FormatInt(static_cast<int64_t>(i) + 1) + " contains " + FormatInt(stars) + " star positions;");
    total += stars;
  }
  Par(body);
  Par(body, "\\tab Total number of point-stars : " + FormatInt(total));
}

}  // namespace

void AppendBackgroundSections(const Model& model, ReportText& report) {
  if (model.hasBGMS) AppendMeshSection(model, report.body);
  if (model.hasBGSG) AppendStarMapSection(model, report.body);
  if (model.hasSTRF) AppendPointStarSection(model, report.body);
}

}  // namespace sq
