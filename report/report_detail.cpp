// Detail sections and consistency checks. Only the absent-chunk branches are written so far.
#include "report/BuildReport.h"

namespace sq {

void AppendDetailSections(const Model& model, ReportText& report) {
  if (!model.hasETSH) report.Absent("ETSH");
  if (!model.hasGLOW) report.Absent("GLOW");
  if (!model.hasBURN) report.Absent("BURN");
  if (!model.hasMRKR) report.Absent("MRKR");
  if (!model.hasNAVL) report.Absent("NAVL");
  if (!model.hasDOCK) report.Absent("DOCK");
  if (!model.hasANIM) report.Absent("ANIM");
  if (!model.hasCOLD) report.Absent("COLD");
}

}  // namespace sq
