// The command line's Platform: messages as stderr lines, answers from flags, a
// progress bar on stderr when it is a terminal.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/platform.h"

namespace sq {

class CliPlatform : public Platform {
 public:
  explicit CliPlatform(std::FILE* err = stderr);
  // The answer every question gets; without one, a question takes its default button.
  void SetAnswer(std::optional<bool> answer) { answer_ = answer; }

  void ShowMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
  bool AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;
  void SetProgress(int maximum, int value) override;
  void DoEvents() override {}

 private:
  void EndProgressLine();

  std::FILE* err_;
  bool terminal_;
  std::optional<bool> answer_;
  int shownPercent_ = -1;
};

// The folder an --out-dir names, made with its parents when it is not there yet.
// Says why on `err` ("starquill COMMAND: ...") and returns false when it cannot be made.
bool MakeOutputFolder(const std::filesystem::path& folder, std::string_view command, std::FILE* err);

}  // namespace sq
