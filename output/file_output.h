// Files written on disk: whole through a temporary file and a rename, or
// appended to as a side export.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace sq {

// "cannot write PATH: No space left on device": what failed, and the system's
// reason when it gave one. `err` is errno as the failed call left it.
std::string FileFailure(std::string_view what, const std::filesystem::path& path, int err);

// A file written whole through a temporary file in the same folder and a rename,
// in as many pieces as the writer likes, so a failed write never leaves a half
// file nor destroys the old one. Dropped without Commit, it leaves nothing.
class AtomicFile {
 public:
  explicit AtomicFile(const std::filesystem::path& path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  void Write(const uint8_t* bytes, std::size_t n) { Write(std::string_view(reinterpret_cast<const char*>(bytes), n)); }
  // Puts the finished file in place. Returns an empty string on success, else a reason.
  std::string Commit();

 private:
  std::filesystem::path path_, temp_;
  std::ofstream out_;
  bool created_ = false;
  bool committed_ = false;
  int openErrno_ = 0, writeErrno_ = 0;  // the system's reason of a failure, 0 when it gave none
};

// Writes a file whole through an AtomicFile. Returns an empty string on success,
// else a reason.
std::string WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// A side export, appended to its file through one buffered stream: lines gather
// in a buffer of kBufferSize bytes that is written whenever it fills, and on
// Close() (or on destruction). The file is created when missing. The name goes
// through SafeFileName, so the file is always directly in `folder`. Without a
// folder the lines are dropped and no file is touched.
class SideFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

  SideFile(const std::optional<std::filesystem::path>& folder, std::string_view fileName);
  ~SideFile();
  SideFile(const SideFile&) = delete;
  SideFile& operator=(const SideFile&) = delete;

  // Appends text and CR LF.
  void Line(std::string_view text = {});
  // Appends raw text without a line end.
  void Text(std::string_view text);
  // Writes what is left and closes the file. Returns an empty string on success,
  // else the first reason a write failed.
  std::string Close();

 private:
  void Flush();

  std::optional<std::filesystem::path> path_;  // none: the lines are dropped
  std::string buffer_;
  std::ofstream out_;
  bool opened_ = false;
  bool closed_ = false;
  std::string error_;
};

}  // namespace sq
