// Shared ground of the fuzz targets: the invariant check, a platform that answers
// nothing, and a scratch folder for what a target writes.
#pragma once

#include <filesystem>
#include <string_view>

#include "app/platform.h"

namespace sqfuzz {

// Ends the process with a message when an invariant does not hold; both libFuzzer
// and the replay runner then report the input.
[[noreturn]] void Fail(std::string_view what);
#define SQFUZZ_CHECK(cond, what)       \
  do {                                 \
    if (!(cond)) ::sqfuzz::Fail(what); \
  } while (0)

// A platform that counts its messages and answers every question no.
class QuietPlatform : public sq::Platform {
 public:
  void ShowMessage(std::string_view, std::string_view, sq::MessageIcon) override { ++messages; }
  bool AskYesNo(std::string_view, std::string_view, sq::MessageIcon, bool) override { return false; }
  void SetProgress(int, int) override {}
  void DoEvents() override {}
  int messages = 0;
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

}  // namespace sqfuzz
