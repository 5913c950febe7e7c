#include "output/file_output.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
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
  fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) openErrno_ = errno;
  made_ = fd_ >= 0;
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  RemoveTemporary();
}

void AtomicFile::RemoveTemporary() {
  if (!made_) return;
  made_ = false;
  std::error_code ignored;
  std::filesystem::remove(temp_, ignored);
}

void AtomicFile::Failed(int err) {
  bool first = false;
  if (failed_.compare_exchange_strong(first, true)) writeErrno_ = err;
}

void AtomicFile::Write(std::string_view bytes) {
  WriteAt(end_, bytes);
  end_ += bytes.size();
}

void AtomicFile::SetSize(std::size_t size) {
  if (fd_ < 0 || failed_) return;
  errno = 0;
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Failed(errno);
}

void AtomicFile::WriteAt(std::size_t offset, std::string_view bytes) {
  if (fd_ < 0) return;
  while (!bytes.empty() && !failed_) {
    errno = 0;
    const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Failed(n < 0 ? errno : ENOSPC);  // no byte written and no reason: the disk is full
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
  }
}

std::string AtomicFile::Commit() {
  if (!made_) return FileFailure("cannot create", path_, openErrno_);
  errno = 0;
  const int closed = ::close(fd_);  // a full disk may show only here
  fd_ = -1;
  if (closed != 0) Failed(errno);
  if (failed_) {
    RemoveTemporary();
    return FileFailure("cannot write", path_, writeErrno_);
  }
  std::error_code ec;
  std::filesystem::rename(temp_, path_, ec);
  if (ec) {
    RemoveTemporary();
    return FileFailure("cannot write", path_, ec.value());
  }
  made_ = false;  // it is the file now
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
