// Visual-model sections: materials, textures, VARY index ranges, MULT meshes per
// level of detail and goblin meshes.
#include "report/report_rtf.h"

#include <algorithm>
#include <string_view>

namespace sq {

namespace {

// MULT meshes fill the per-level slots 0 to 4 (the levels the report prints);
// slot 5 belongs to the goblin meshes and slots 6 and 7 to the detail checks, so
// a mesh of any other level counts in faceTotal only.
constexpr int32_t kMultLevels = 5;
constexpr std::size_t kGoblinSlot = 5;

int32_t FacesOf(int32_t sum, const bmsh::bmshMesh& mesh) {
  for (const bmsh::subMesh& sub : mesh.subMeshes) {
    for (const bmsh::indexList& list : sub.indexLists) sum = AddFaces(sum, list.primitiveType, list.indexCount);
  }
  return sum;
}

// The open material paragraph; returns the highest texture index of the NRML
// STAT or SHAD parameters (0 when there are none).
int32_t AppendMaterials(const Model& model, std::string& body) {
  int32_t maxTextureIndex = 0;
  if (model.hasNrmlSTAT) {
    int64_t shaders = 0;
    bool lambert = false;
    for (const StatRecord& record : model.statTable) {
      shaders += record.paramCount;
      for (const statParam& param : record.params) maxTextureIndex = std::max(maxTextureIndex, param.textureIndex);
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
  } else if (model.hodHeader.hodVersion == 512 && !model.hasLITE) {
    Par(body);
    Par(body, "HOD without STAT headers ( ! )");
  }
  return maxTextureIndex;
}

void AppendTextures(const Model& model, int32_t maxTextureIndex, ReportText& report) {
  std::string& body = report.body;
  if (!model.hasLMIP) {
    Par(body);
    report.Absent("LMIP");
    return;
  }
  const auto t = static_cast<int64_t>(model.lmipTable.size());
  const std::string matching = " Number of textures = " + FormatInt(t);
  if (model.hasNrmlSTAT) {
    if (maxTextureIndex == t - 1) {
      Par(body, matching);
    } else {
      Par(body, " The highest LMIP-tag (" + FormatInt(maxTextureIndex) +
                    ", first tag = 0) does not correspond (!) to the number of textures ( " + FormatInt(t) + " ).");
    }
  } else if (model.eliteShaderCount == t) {
    Par(body, matching);
  } else {
    // Only records with a variant word of at least 1 take part.
    int32_t highest = 0;
    for (const EliteRecord& record : model.eliteTable) {
      if (record.variantWord < 1) continue;
      for (const eliteParam& param : record.params) highest = std::max(highest, param.value);
    }
    if (highest == t - 1) {
      Par(body, matching);
    } else {
      Par(body, " The number of ' elite ' shaders ( " + FormatInt(model.eliteShaderCount) +
                    " ) does not correspond (!) to the number of textures ( " + FormatInt(t) + " ).");
    }
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

void AppendVary(const Model& model, std::string& body) {
  if (!model.hasVARY) return;
  Par(body);
  Par(body, "Parameters of VARY chunks 2 and 4:");
  Par(body, "=-------------------------------------------------=");
  body += model.varyReportText;
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
      const bmsh::bmshMesh& mesh = record.lods[j].mesh;
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

  for (const MultRecord& record : model.multTable) {
    for (const lodMesh& level : record.lods) {
      const int32_t l = level.mesh.lodLevel;
      if (l < 0 || l >= kMultLevels) continue;
      auto& slot = report.lodFaces[static_cast<std::size_t>(l)];
      slot = FacesOf(slot, level.mesh);
    }
  }
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
  auto& slot = report.lodFaces[kGoblinSlot];
  for (const GobgRecord& record : model.gobgTable) slot = FacesOf(slot, record.mesh);
  Par(body, FormatInt(slot) + " faces in total.");
}

}  // namespace

void AppendVisualSections(const Model& model, ReportText& report) {
  const int32_t maxTextureIndex = AppendMaterials(model, report.body);
  AppendTextures(model, maxTextureIndex, report);
  AppendVary(model, report.body);
  AppendMult(model, report);
  AppendGobg(model, report);
}

}  // namespace sq
