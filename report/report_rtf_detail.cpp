// Detail sections (trails, glows, burns, markers, navlights, docking paths,
// animations, collision meshes) and the check of the BSRM meshes and their SSUB
// face lists against the visual meshes.
#include "report/report_rtf.h"

#include <array>
#include <cstdint>

#include "report/report_findings.h"

namespace sq {

namespace {

// Built in place: g++ 12 at -O3 warns falsely (-Wrestrict) on "=" + string and stops the Release build.
std::string Rule(std::size_t dashes) {
  std::string rule(dashes + 2, '-');
  rule.front() = '=';
  rule.back() = '=';
  return rule;
}

std::string Count(std::size_t n) { return FormatInt(static_cast<int64_t>(n)); }

void AppendTrails(const Model& model, ReportText& report) {
  std::string& body = report.body;
  const std::size_t n = model.etshTable.size();
  Par(body);
  if (n == 1) {
    Par(body, "1 ETSH chunk");
    Par(body, Rule(14));
  } else {
    Par(body, Count(n) + " ETSHs");
    Par(body, Rule(9));
  }
  for (std::size_t i = 0; i < n; ++i) {
    const auto& sets = model.etshTable[i].trailSets;
    const std::string number = Count(i + 1);
    if (sets.size() == 1) {
      Par(body, "\\tab " + number + "... with " + FormatInt(sets[0].pointCount) + " shape points.");
      continue;
    }
    Par(body, "\\tab " + number + "... with " + Count(sets.size()) + " trail sets:");
    for (std::size_t j = 0; j < sets.size(); ++j) {
      Par(body, "\\tab \\tab " + Count(j + 1) + "... with " + FormatInt(sets[j].pointCount) + " shape points.");
    }
  }
}

void AppendGlows(const Model& model, ReportText& report) {
  std::string& body = report.body;
  const std::size_t n = model.glowTable.size();
  Par(body);
  Par(body, n == 1 ? std::string("1 GLOW chunk with:") : Count(n) + " GLOWs with:");
  Par(body, Rule(17));
  // Faces per level 0 to 4, from the first index list of every sub-mesh. A level
  // word outside 0..4 has no counter: its faces are left out.
  std::array<int64_t, 5> faces{};
  for (const GlowRecord& glow : model.glowTable) {
    if (glow.levelWord < 0 || glow.levelWord > 4) continue;
    for (const bmsh::SubMesh& sub : glow.mesh.subMeshes) {
      if (sub.indexLists.empty()) continue;
      const int32_t count = sub.indexLists.front().indexCount;
      faces[static_cast<std::size_t>(glow.levelWord)] += count / 3 + (count % 3 == 2 ? 1 : 0);
    }
  }
  for (std::size_t level = 0; level < faces.size(); ++level) {
    if (faces[level] != 0) Par(body, "Total faces for LOD" + Count(level) + ": " + FormatInt(faces[level]));
  }
}

void AppendNavlights(const Model& model, ReportText& report) {
  std::string& body = report.body;
  const std::size_t n = model.navlTable.size();
  Par(body);
  Par(body, Count(n) + (n == 1 ? " Navlight" : " Navlights"));
  Par(body, Rule(13));
  for (const Navlight& light : model.navlTable) {
    std::string line = RtfText(light.name);
    for (float v : light.firstValues) line += "\\tab " + FormatFloat(v);
    for (float v : light.secondValues) line += "\\tab " + FormatFloat(v);
    Par(body, line);
  }
}

void AppendAnimations(const Model& model, ReportText& report) {
  std::string& body = report.body;
  const std::size_t n = model.animTable.size();
  Par(body);
  Par(body, n == 1 ? std::string("1 ANIM chunk") : Count(n) + " ANIMs");
  Par(body, Rule(14));
  for (const AnimRecord& anim : model.animTable) {
    Par(body);
    Par(body, FormatInt(anim.keyCount) + " keyframes for " + RtfText(anim.name) + ":");
    for (const AnimKey& key : anim.keys) {
      const auto& v = key.values;
      Par(body, FormatFloat(NarrowToFloat(key.time)));
      Par(body, "\\tab \\tab " + FormatFloat(v[0]) + "\\tab " + FormatFloat(v[1]) + "\\tab " + FormatFloat(v[2]));
      Par(body, "\\tab \\tab " + FormatFloat(v[3]) + "\\tab " + FormatFloat(v[4]) + "\\tab " + FormatFloat(v[5]));
    }
  }
}

void AppendCollision(const Model& model, ReportText& report) {
  std::string& body = report.body;
  const std::size_t n = model.coldTable.size();
  Par(body);
  if (n == 1) {
    Par(body, "1 COLD chunk, with TRIS vertices and faces:");
    Par(body, Rule(61));
  } else {
    Par(body, Count(n) + " COLDs, with TRIS vertices and faces:");
    Par(body, Rule(56));
  }
  for (const ColdRecord& cold : model.coldTable) {
    Par(body,
        FormatInt(cold.tris.pointCount) + "\\tab " + FormatInt(cold.tris.faceCount) + "\\tab " + RtfText(cold.name));
  }
}

// One line per BSRM record, each judged by its own SSUB lists; notices go to the tail.
void AppendBsrmCheck(const Model& model, ReportText& report) {
  std::string& body = report.body;
  std::string& tail = report.tail;
  const BsrmCheck check = CheckBsrm(model);
  const std::size_t b = model.bsrmTable.size();
  Par(body);
  if (b == check.expected) {
    Par(body, "# BSRMs  =  # MULTs  +  # GOBGs  (checked OK)");
  } else {
    Par(body, Count(b) + " BSRMs does not correspond to  # MULTs  +  # GOBGs");
  }
  Par(body, Rule(162));

  for (std::size_t i = 0; i < b; ++i) {
    const BsrmRecord& r = model.bsrmTable[i];
    const SsubCheck& s = check.records[i];
    std::string line = "TRIS faces : " + FormatInt(r.tris.faceCount) + ";\\tab " +
                       "TRIS vertices : " + FormatInt(r.tris.pointCount) + ";\\tab " +
                       "VNRM 'faces' : " + FormatInt(r.vnrm.faceCount) + ";\\tab " +
                       "VNRM normals : " + FormatInt(r.vnrm.pointCount) + ";\\tab ";
    if (s.hasLists) {
      const std::string k = Count(s.listCount);
      if (s.mismatch) {
        line += "non-empty SSUB face lists : " + k + " ;\\tab " + " largest tag " + FormatInt(s.highest) +
                " NOT EQUAL to VNRM or TRIS faces);\\tab ";
      } else {
        line += "non-empty SSUB face lists : \\tab " + k + " ;\\tab ";
      }
    } else {
      line += "no SSUB face lists found (!)";
      tail += "\\par\r\n\\par\r\n**** " + std::string(kNoSsubLists) + Count(i + 1) + " ****";
    }
    line += " -> " + RtfText(r.meshName);
    if (r.goblinFlag != 0) {
      line += ";";
    } else {
      line += " = goblin mesh ( flag = " + FormatInt(r.goblinFlag) + " );";
    }
    Par(body, line);
  }

  report.lodFaces[6] = check.nonGoblinSum;
  report.lodFaces[7] = check.goblinSum;
  if (!model.hasMULT) return;
  const auto& lod = report.lodFaces;
  if (lod[0] != lod[6]) {
    tail += "\\par\r\n\\par\r\n**** " + std::string(kNonGoblinSums) + " **** (" + FormatInt(lod[0]) + " <> " +
            FormatInt(lod[6]) + ").";
  }
  if (lod[5] != lod[7]) {
    tail += "\\par\r\n******** " + std::string(kGoblinSums) + " ******** (" + FormatInt(lod[5]) + " <> " +
            FormatInt(lod[7]) + ").";
  }
}

}  // namespace

void AppendDetailSections(const Model& model, ReportText& report) {
  std::string& body = report.body;

  if (model.hasETSH) {
    AppendTrails(model, report);
  } else {
    report.Absent("ETSH");
  }

  if (model.hasGLOW) {
    AppendGlows(model, report);
  } else {
    report.Absent("GLOW");
  }

  if (model.hasBURN) {
    const std::size_t n = model.burnTable.size();
    Par(body);
    Par(body, Count(n) + (n == 1 ? " BURN chunk" : " BURNs"));
  } else {
    report.Absent("BURN");
  }

  if (model.hasMRKR) {
    const std::size_t n = model.mrkrTable.size();
    Par(body);
    Par(body, Count(n) + (n == 1 ? " MRKR chunk" : " MRKRs"));
    if (const auto separator = SeparatorFinding(model)) Par(body, RtfText(separator->text));
  } else {
    report.Absent("MRKR");
  }

  if (model.hasNAVL) {
    AppendNavlights(model, report);
  } else {
    report.Absent("NAVL");
  }

  if (model.hasDOCK) {
    Par(body);
    Par(body, FormatInt(model.dockPathCount) + (model.dockPathCount == 1 ? " (one) DOCK path" : " DOCK paths"));
    Par(body, Rule(18));
  } else {
    report.Absent("DOCK");
  }

  if (model.hasANIM) {
    AppendAnimations(model, report);
  } else {
    report.Absent("ANIM");
  }

  if (model.hasCOLD) {
    AppendCollision(model, report);
  } else {
    report.Absent("COLD");
  }

  if (model.hasBSRM) AppendBsrmCheck(model, report);
}

}  // namespace sq
