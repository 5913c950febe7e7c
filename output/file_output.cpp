#include "output/file_output.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include <unistd.h>

#include "hod/text_forms.h"

namespace sq {

std::string FileFailure(std::string_view what, const std::filesystem::path& path, int err) {
  std::string text(what);
  text.append(" ").append(path.string());
  if (err != 0) text.append(": ").append(std::strerror(err));
  return text;
}

AtomicFile::AtomicFile(const std::filesystem::path& path) : path_(path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on "." + string.
  std::string tempName = ".";
  tempName += path.filename().string();
  tempName += ".tmp";
  tempName += std::to_string(::getpid());
  temp_ = folder / tempName;
  errno = 0;
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  created_ = static_cast<bool>(out_);
  if (!created_) openErrno_ = errno;
}

AtomicFile::~AtomicFile() {
  if (created_ && !committed_) {
    out_.close();
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
  }
}

void AtomicFile::Write(std::string_view bytes) {
  if (!created_ || !out_) return;
  errno = 0;
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) writeErrno_ = errno;
}

std::string AtomicFile::Commit() {
  if (!created_) return FileFailure("cannot create", path_, openErrno_);
  if (out_) {
    errno = 0;
    out_.flush();
    if (!out_) writeErrno_ = errno;
  }
  if (out_) {
    errno = 0;
    out_.close();  // a full disk may show only here
    if (!out_) writeErrno_ = errno;
  }
  if (!out_) return FileFailure("cannot write", path_, writeErrno_);  // the destructor removes the temporary file
  std::error_code ec;
  std::filesystem::rename(temp_, path_, ec);
  if (ec) return FileFailure("cannot write", path_, ec.value());
  committed_ = true;
  return {};
}

std::string WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  return file.Commit();
}

SideFile::~SideFile() { (void)Close(); }

void SideFile::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append(kCrLf);
  if (buffer_.size() >= kBufferSize) Flush();
}

void SideFile::Text(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void SideFile::Flush() {
  if (error_.empty() && (!buffer_.empty() || !appended_)) {
    appended_ = true;
    error_ = folder_.Append(name_, buffer_);
  }
  buffer_.clear();  // keeps its capacity for the next lines
}

std::string SideFile::Close() {
  if (closed_) return error_;
  closed_ = true;
  Flush();
  return error_;
}

}  // namespace sq
