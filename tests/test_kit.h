// Shared test helpers: a recording platform, a fresh temporary folder, file reading.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "app/platform.h"
#include "support/chunk_bytes.h"

namespace sqtest {

// The tests compose their files with the shared sample makers.
using namespace sqsupport;

class RecordingPlatform : public sq::Platform {
 public:
  struct Question {
    std::string title, text;
    sq::MessageIcon icon;
    bool defaultYes;
  };
  std::vector<std::string> messages;   // "title: text"
  std::vector<sq::MessageIcon> icons;  // one per message
  std::vector<Question> questions;
  bool answer = false;

  void ShowMessage(std::string_view title, std::string_view text, sq::MessageIcon icon) override {
    messages.push_back(std::string(title) + ": " + std::string(text));
    icons.push_back(icon);
  }
  bool AskYesNo(std::string_view title, std::string_view text, sq::MessageIcon icon, bool defaultYes) override {
    questions.push_back({std::string(title), std::string(text), icon, defaultYes});
    return answer;
  }
  void SetProgress(int, int) override {}
  void DoEvents() override {}
};

// A folder of its own for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("starquill-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// What every report opens and closes with.
inline const std::string kReportHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs20 \\par\r\n";
inline const std::string kReportEnd = "\\par\r\n}\\par\r\n";

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The bytes of a string, as the readers take them.
inline std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Every file in a folder and below it, by its path below the folder ("a/b.hod"), with its bytes.
inline std::map<std::string, std::string> FilesIn(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(folder).generic_string()] = ReadText(entry.path());
  }
  return files;
}

// How many entries a folder holds.
inline long FileCount(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
}

// Writes the bytes, making the folders above the file when they are missing.
inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Writes text or encoded bytes held in a string, making the folders above it.
inline void WriteText(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct ProcessResult {
  int status = -1;
  std::string out, err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a program with the given arguments, capturing both streams in files of
// the scratch folder (removed afterwards).
inline ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::filesystem::path& scratch) {
  std::string cmd = ShellQuote(program);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  const auto outPath = scratch / ".stdout", errPath = scratch / ".stderr";
  cmd += " >" + ShellQuote(outPath.string()) + " 2>" + ShellQuote(errPath.string()) + " </dev/null";
  ProcessResult r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadText(outPath);
  r.err = ReadText(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return r;
}

#ifdef STARQUILL_EXE
inline ProcessResult Starquill(const std::vector<std::string>& args, const TempDir& scratch) {
  return RunProgram(STARQUILL_EXE, args, scratch.path());
}
#endif

}  // namespace sqtest
