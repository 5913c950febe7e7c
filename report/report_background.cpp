// Background sections (BGMS, BGSG, STRF): not written yet.
#include "report/BuildReport.h"

namespace sq {

void AppendBackgroundSections(const Model&, ReportText&) {}

}  // namespace sq
