// Visual-model sections. Only the absent-chunk branches are written so far.
#include "report/BuildReport.h"

namespace sq {

void AppendVisualSections(const Model& model, ReportText& report) {
  if (!model.hasLMIP) {
    Par(report.body);
    report.Absent("LMIP");
  }
  if (!model.hasGOBG) report.Absent("GOBG");
}

}  // namespace sq
