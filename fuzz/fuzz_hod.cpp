// Arbitrary bytes walked as a HOD file, then the report, the side exports and the
// preview lists made from what was read.
// Side files go into a scratch folder that is emptied before every input.
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "exports/side_exports.h"
#include "fuzz/fuzz_support.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "preview/preview_lists.h"
#include "report/report_rtf.h"
#include "support/rtf_check.h"

namespace {

// Every side file is a text of CR LF lines: no control byte but CR LF pairs, so
// names from the input can neither break nor add lines.
void CheckSideFileLines(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string error;
    const auto bytes = sq::ReadWholeFile(entry.path(), error);
    SQFUZZ_CHECK(bytes.has_value(), error);
    const std::vector<uint8_t>& b = *bytes;
    for (std::size_t i = 0; i < b.size(); ++i) {
      const bool lineEnd = b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n';
      SQFUZZ_CHECK(lineEnd || (b[i] >= 0x20 && b[i] != 0x7F),
                   "a control byte, or a CR without LF, in " + entry.path().filename().string());
      i += lineEnd ? 1 : 0;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();

  sq::Model model;
  // The last byte's low bit ticks the sound-test box.
  const bool soundTest = size > 0 && (data[size - 1] & 1) != 0;
  const sq::WalkResult walk = sq::WalkHodBytes(std::span(data, size), model, soundTest);
  SQFUZZ_CHECK(walk.messages.size() <= sq::WalkContext::kMaxMessages, "more messages than a walk may say");
  SQFUZZ_CHECK(!walk.failed || walk.offset <= size, "a failure offset past the end of the file");

  const std::string problem = sqsupport::RtfFrameProblem(sq::BuildReport(model, "fuzz"));
  SQFUZZ_CHECK(problem.empty(), "the report is not well-formed RTF: " + problem);
  sq::PreviewLists lists;
  sq::BuildPreviewLists(model, lists);
  SQFUZZ_CHECK(lists.meshPreviewCount >= 0 && lists.meshPreviewVertices.size() == std::size_t(lists.meshPreviewCount),
               "the mesh preview count disagrees with its list");
  SQFUZZ_CHECK(lists.starPreviewVertices.size() == std::size_t(lists.starPreviewCount),
               "the point-star preview count disagrees with its list");
  sq::DiskFolder folder(scratch.Out());
  // A name from the input may be too long for a file name: such a file fails, named once.
  std::set<std::string> failed;
  for (const sq::ExportFailure& failure : sq::WriteSideExports(model, folder)) {
    SQFUZZ_CHECK(failed.insert(failure.file).second && !failure.reason.empty(), "a side file failed twice or silently");
  }
  scratch.CheckContained();
  CheckSideFileLines(scratch.Out());
  return 0;
}
