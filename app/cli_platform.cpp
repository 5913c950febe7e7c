#include "app/cli_platform.h"

#include <string>
#include <system_error>

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

bool MakeOutputFolder(const std::filesystem::path& folder, std::string_view command, std::FILE* err) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!ec) return true;
  std::fprintf(err, "starquill %.*s: cannot make the output folder %s: %s\n", static_cast<int>(command.size()),
               command.data(), folder.c_str(), ec.message().c_str());
  return false;
}

}  // namespace sq
