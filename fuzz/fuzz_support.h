// Shared ground of the fuzz targets: a scratch folder for side files, a platform
// that answers nothing, and the checks every target makes after each input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "hod/modCommon.h"

namespace sqfuzz {

// Ends the process with a message when an invariant does not hold; both libFuzzer
// and the replay runner then report the input.
[[noreturn]] void Fail(std::string_view what);
#define SQFUZZ_CHECK(cond, what)       \
  do {                                 \
    if (!(cond)) ::sqfuzz::Fail(what); \
  } while (0)

// A platform that records nothing and answers every question with `answer`.
class QuietPlatform : public sq::Platform {
 public:
  explicit QuietPlatform(bool answer = false) : answer_(answer) {}
  void ShowMessage(std::string_view, std::string_view, sq::MessageIcon) override { ++messages; }
  bool AskYesNo(std::string_view, std::string_view, sq::MessageIcon, bool) override { return answer_; }
  void SetProgress(int, int) override {}
  void DoEvents() override {}
  int messages = 0;

 private:
  bool answer_;
};

// One folder per process: <temp>/starquill-fuzz-PID with out/ for every output of
// an input and in/ for a target that must hand its input over as a file. Nothing
// else may appear beside them.
class Scratch {
 public:
  static Scratch& Get();
  const std::filesystem::path& Out() const { return out_; }
  const std::filesystem::path& In() const { return in_; }
  // Empties out/ before an input (side files are appended, so they would grow).
  void Clear();
  // Checks that nothing was written beside out/ and that out/ holds only plain files.
  void CheckContained() const;

 private:
  Scratch();
  ~Scratch();
  std::filesystem::path root_, out_, in_;
};

// Checks every file in the output folder as a text of CR LF lines: no control
// byte but CR LF pairs, so names from the input can neither break nor add lines.
void CheckSideFileLines(const std::filesystem::path& folder);

// Checks the frame of an RTF document (support/rtf_check.h says what that is).
void CheckRtfFrame(std::string_view rtf);

// A byte of the input used as a switch, so one input decides e.g. the sound-test box.
inline bool Flag(std::span<const uint8_t> data, std::size_t fromEnd, uint8_t bit) {
  return data.size() > fromEnd && (data[data.size() - 1 - fromEnd] & bit) != 0;
}

}  // namespace sqfuzz
