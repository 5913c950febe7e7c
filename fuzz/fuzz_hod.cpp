// Arbitrary bytes walked as a HOD file, then the report and the preview lists built
// from what was read.
// Side files go into a scratch folder that is emptied before every input.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "hod/modFarholdhod.h"
#include "preview/modVtcs.h"
#include "report/report_rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  const std::span<const uint8_t> bytes(data, size);
  Scratch& scratch = Scratch::Get();
  scratch.Clear();

  QuietPlatform platform;
  sq::Model model;
  const sq::WalkResult walk = sq::WalkHodBytes(bytes, model, platform, scratch.Out(), Flag(bytes, 0, 1));
  SQFUZZ_CHECK(platform.messages <= sq::WalkContext::kMaxMessages, "more messages than a walk may show");
  SQFUZZ_CHECK(!walk.failed || walk.offset <= size, "a failure offset past the end of the file");

  const std::string report = sq::BuildReport(model, "fuzz");
  CheckRtfFrame(report);
  // The preview lists, as the window would build them from what was read.
  sq::PreviewLists lists;
  sq::BuildPreviewLists(model, lists);
  SQFUZZ_CHECK(lists.meshPreviewCount >= 0 && lists.meshPreviewVertices.size() == std::size_t(lists.meshPreviewCount),
               "the mesh preview count disagrees with its list");
  SQFUZZ_CHECK(lists.starPreviewVertices.size() == std::size_t(lists.starPreviewCount),
               "the point-star preview count disagrees with its list");
  scratch.CheckContained();
  CheckSideFileLines(scratch.Out());
  return 0;
}
