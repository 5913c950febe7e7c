#include "report/report_findings.h"

#include <algorithm>
#include <utility>

namespace sq {

namespace {

Finding Make(Severity severity, std::string text, ChunkRef chunk = {}) {
  return Finding{severity, std::move(text), std::move(chunk)};
}

// Adds to a 32-bit face sum, held at the ends of its range rather than wrapping.
void AddClamped(int32_t& sum, int64_t faces) {
  sum = static_cast<int32_t>(std::clamp<int64_t>(int64_t{sum} + faces, INT32_MIN, INT32_MAX));
}

int32_t FacesOf(int32_t sum, const bmsh::BmshMesh& mesh) {
  for (const bmsh::SubMesh& sub : mesh.subMeshes) {
    for (const bmsh::IndexList& list : sub.indexLists) sum = AddFaces(sum, list.primitiveType, list.indexCount);
  }
  return sum;
}

// The severity of a count of textures that does not match: an index past the last
// texture points at nothing.
Severity TextureSeverity(int64_t highestIndex, int64_t textures) {
  return highestIndex > textures - 1 ? Severity::Error : Severity::Warning;
}

}  // namespace

std::optional<Finding> LeadingFormFinding(const Model& model) {
  const uint32_t length = ByteSwap32(model.hodHeader.vers.chunkSize);
  if (length == 8) return std::nullopt;
  // The size field stands behind the kind.
  return Make(Severity::Warning,
              "Unusual HOD file length ! (Long, reversed): " + FormatInt(static_cast<int32_t>(length)), {"VERS", 0, 4});
}

std::optional<Finding> VersionFinding(const Model& model) {
  const int32_t version = model.hodHeader.hodVersion;
  if (version == 1000 || version == 512) return std::nullopt;
  return Make(Severity::Warning, "Unusual HOD version ! (Long): " + FormatInt(version), {"VERS", 0, 12});
}

std::optional<Finding> InfoWarningFinding(const Model& model) {
  if (!model.infoWarning) return std::nullopt;
  return Make(Severity::Warning, "HOD contains warning:  '" + model.infoWarningText + "'.", {"WARN"});
}

std::optional<Finding> InfoErrorFinding(const Model& model) {
  if (!model.infoError) return std::nullopt;
  return Make(Severity::Error, "HOD contains error message:  '" + model.infoErrorText + "'.", {"ERRR"});
}

std::optional<Finding> BackgroundLightsFinding(const Model& model) {
  if (!model.hasLITE || model.liteCount == 3) return std::nullopt;
  return Make(Severity::Warning,
              "Number of background lights ( " + FormatInt(model.liteCount) + " ) is unequal to three.", {"LITE"});
}

int32_t MaxTextureIndex(const Model& model) {
  int32_t highest = 0;
  for (const StatRecord& record : model.statTable) {
    for (const StatParam& param : record.params) highest = std::max(highest, param.textureIndex);
  }
  return highest;
}

std::optional<Finding> StatHeadersFinding(const Model& model) {
  if (model.hasNrmlSTAT || model.statForms >= 1 || model.hodHeader.hodVersion != 512 || model.hasLITE) {
    return std::nullopt;
  }
  return Make(Severity::Warning, "HOD without STAT headers ( ! )", {"HVMD"});
}

std::optional<Finding> TextureCountFinding(const Model& model) {
  if (!model.hasLMIP) return std::nullopt;
  const auto t = static_cast<int64_t>(model.lmipTable.size());
  if (model.hasNrmlSTAT) {
    const int32_t highest = MaxTextureIndex(model);
    if (highest == t - 1) return std::nullopt;
    return Make(TextureSeverity(highest, t),
                "The highest LMIP-tag (" + FormatInt(highest) +
                    ", first tag = 0) does not correspond (!) to the number of textures ( " + FormatInt(t) + " ).",
                {"LMIP"});
  }
  if (model.eliteShaderCount == t) return std::nullopt;
  // Only records with a variant word of at least 1 take part.
  int32_t highest = 0;
  for (const EliteRecord& record : model.eliteTable) {
    if (record.variantWord < 1) continue;
    for (const EliteParam& param : record.params) highest = std::max(highest, param.value);
  }
  if (highest == t - 1) return std::nullopt;
  return Make(TextureSeverity(highest, t),
              "The number of ' elite ' shaders ( " + FormatInt(model.eliteShaderCount) +
                  " ) does not correspond (!) to the number of textures ( " + FormatInt(t) + " ).",
              {"LMIP"});
}

std::optional<Finding> SeparatorFinding(const Model& model) {
  const int32_t m = model.separatorMarker;
  if (!model.hasMRKR || m < 1 || static_cast<std::size_t>(m) > model.mrkrTable.size()) return std::nullopt;
  const MarkerRecord& marker = model.mrkrTable[static_cast<std::size_t>(m) - 1];
  return Make(Severity::Warning, "Separator with marker '" + marker.name + "' ( " + FormatInt(m) +
                                     "th ) is unequal to zero: " + FormatFloat(NarrowToFloat(marker.separator)));
}

std::array<int32_t, 5> MultLevelFaces(const Model& model) {
  // A mesh of a level outside 0 to 4 counts in faceTotal only.
  std::array<int32_t, 5> faces{};
  for (const MultRecord& record : model.multTable) {
    for (const LodMesh& level : record.lods) {
      const int32_t l = level.mesh.lodLevel;
      if (l < 0 || l >= static_cast<int32_t>(faces.size())) continue;
      auto& slot = faces[static_cast<std::size_t>(l)];
      slot = FacesOf(slot, level.mesh);
    }
  }
  return faces;
}

int32_t GoblinFaces(const Model& model) {
  int32_t faces = 0;
  for (const GobgRecord& record : model.gobgTable) faces = FacesOf(faces, record.mesh);
  return faces;
}

BsrmCheck CheckBsrm(const Model& model) {
  BsrmCheck check;
  check.expected = model.multTable.size() + (model.hasGOBG ? model.gobgTable.size() : 0);
  for (const BsrmRecord& r : model.bsrmTable) {
    SsubCheck& s = check.records.emplace_back();
    // A record without lists has no highest face index and adds nothing to the sums.
    int64_t faces = 0;
    if (r.hasSSUB) {
      s.hasLists = true;
      s.listCount = r.ssubLists.size();
      for (const SsubList& list : r.ssubLists) {
        for (int16_t index : list.indices) s.highest = std::max<int64_t>(s.highest, index);
      }
      s.mismatch = s.highest + 1 != r.vnrm.faceCount || s.highest + 1 != r.tris.faceCount;
      faces = s.highest + 1;
    }
    AddClamped(r.goblinFlag != 0 ? check.nonGoblinSum : check.goblinSum, faces);
  }
  return check;
}

std::vector<Finding> BsrmFindings(const Model& model, const BsrmCheck& check) {
  std::vector<Finding> findings;
  if (!model.hasBSRM) return findings;
  const std::size_t b = model.bsrmTable.size();
  if (b != check.expected) {
    findings.push_back(Make(Severity::Error,
                            FormatInt(static_cast<int64_t>(b)) + " BSRMs does not correspond to  # MULTs  +  # GOBGs",
                            {"BSRM", 1}));
  }
  for (std::size_t i = 0; i < b; ++i) {
    const SsubCheck& s = check.records[i];
    if (!s.mismatch) continue;
    const BsrmRecord& r = model.bsrmTable[i];
    findings.push_back(Make(Severity::Error,
                            "largest tag " + FormatInt(s.highest) + " NOT EQUAL to VNRM or TRIS faces (" +
                                FormatInt(r.vnrm.faceCount) + ", " + FormatInt(r.tris.faceCount) +
                                ") in BSRM-chunk no. " + FormatInt(static_cast<int64_t>(i) + 1) + " -> " + r.meshName,
                            {"BSRM", i + 1}));
  }
  for (std::size_t i = 0; i < b; ++i) {
    if (check.records[i].hasLists) continue;
    findings.push_back(
        Make(Severity::Error, std::string(kNoSsubLists) + FormatInt(static_cast<int64_t>(i) + 1), {"BSRM", i + 1}));
  }
  if (!model.hasMULT) return findings;
  const int32_t lod0 = MultLevelFaces(model)[0];
  const int32_t goblins = model.hasGOBG ? GoblinFaces(model) : 0;
  if (lod0 != check.nonGoblinSum) {
    findings.push_back(Make(Severity::Error, std::string(kNonGoblinSums) + " (" + FormatInt(lod0) + " <> " +
                                                 FormatInt(check.nonGoblinSum) + ")"));
  }
  if (goblins != check.goblinSum) {
    findings.push_back(Make(Severity::Error, std::string(kGoblinSums) + " (" + FormatInt(goblins) + " <> " +
                                                 FormatInt(check.goblinSum) + ")"));
  }
  return findings;
}

std::vector<Finding> ModelFindings(const Model& model) {
  std::vector<Finding> findings;
  for (auto finding : {LeadingFormFinding(model), VersionFinding(model), InfoWarningFinding(model),
                       InfoErrorFinding(model), BackgroundLightsFinding(model), StatHeadersFinding(model),
                       TextureCountFinding(model), SeparatorFinding(model)}) {
    if (finding) findings.push_back(std::move(*finding));
  }
  for (Finding& finding : BsrmFindings(model, CheckBsrm(model))) findings.push_back(std::move(finding));
  return findings;
}

}  // namespace sq
