// Files written on disk whole through a temporary file and a rename, and side
// exports appended to a file of an output folder.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "output/output_folder.h"

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

  // Writes after the bytes written so far by Write.
  void Write(std::string_view bytes);
  void Write(const uint8_t* bytes, std::size_t n) { Write(std::string_view(reinterpret_cast<const char*>(bytes), n)); }
  // Makes the file `size` bytes long (zeros where nothing is written), so parts
  // written at their places may come in any order.
  void SetSize(std::size_t size);
  // Writes at `offset`, whatever was written before: safe from several threads
  // at once (but not with Write, SetSize or Commit).
  void WriteAt(std::size_t offset, std::string_view bytes);
  // Puts the finished file in place. Returns an empty string on success, else a reason.
  std::string Commit();

 private:
  void Failed(int err);
  void RemoveTemporary();

  std::filesystem::path path_, temp_;
  int fd_ = -1;
  bool made_ = false;    // the temporary file is there
  std::size_t end_ = 0;  // where Write goes on
  int openErrno_ = 0;    // the system's reason the temporary file could not be made
  // Whether a write failed, and the first failure's reason (0 when the system gave none).
  std::atomic<bool> failed_{false};
  std::atomic<int> writeErrno_{0};
};

// Writes a file whole through an AtomicFile. Returns an empty string on success,
// else a reason.
std::string WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// A side export, appended to its file in an output folder through one buffer:
// lines gather in a buffer of kBufferSize bytes that is appended whenever it
// fills, and on Close() (or on destruction). The file is made when missing. The
// folder makes the name safe, so the file is always directly in it. After the
// first failure nothing more is appended.
class SideFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

  SideFile(OutputFolder& folder, std::string_view fileName) : folder_(folder), name_(fileName) {}
  ~SideFile();
  SideFile(const SideFile&) = delete;
  SideFile& operator=(const SideFile&) = delete;

  // Appends text and CR LF.
  void Line(std::string_view text = {});
  // Appends raw text without a line end.
  void Text(std::string_view text);
  // Appends what is left. Returns an empty string on success, else the first
  // reason an append failed (the folder's, with the system's reason).
  std::string Close();

 private:
  void Flush();

  OutputFolder& folder_;
  std::string name_;
  std::string buffer_;
  bool appended_ = false;  // the file is made, also when no line came
  bool closed_ = false;
  std::string error_;
};

}  // namespace sq
