#include "app/cli_platform.h"

#include <string>

#include <unistd.h>

namespace sq {

CliPlatform::CliPlatform(std::FILE* err) : err_(err), terminal_(::isatty(::fileno(err)) != 0) {}

void CliPlatform::EndProgressLine() {
  if (shownPercent_ >= 0) {
    std::fputc('\n', err_);
    shownPercent_ = -1;
  }
}

void CliPlatform::ShowMessage(std::string_view title, std::string_view text, MessageIcon /*icon*/) {
  EndProgressLine();
  std::string line(title);
  line.append(": ").append(text).append("\n");
  std::fwrite(line.data(), 1, line.size(), err_);
}

bool CliPlatform::AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) {
  const bool yes = answer_.value_or(defaultYes);
  ShowMessage(title, text, icon);
  std::fprintf(err_, "(answered %s%s)\n", yes ? "Yes" : "No", answer_ ? "" : ", the default");
  return yes;
}

void CliPlatform::SetProgress(int maximum, int value) {
  if (!terminal_ || maximum <= 0) return;
  const int percent = static_cast<int>(static_cast<long long>(value) * 100 / maximum);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * 40 / 100;
  std::fprintf(err_, "\r[%.*s%*s] %3d%%", filled, "########################################", 40 - filled, "", percent);
  std::fflush(err_);
  if (value >= maximum) EndProgressLine();
}

}  // namespace sq
