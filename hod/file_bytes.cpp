#include "hod/file_bytes.h"

#include <utility>

#include "hod/modCommon.h"

#if defined(__unix__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sq {

std::optional<FileBytes> FileBytes::Open(const std::filesystem::path& path, std::string& error) {
  FileBytes file;
#if defined(__unix__)
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat info {};
    // Only a regular, non-empty file is mapped; anything else is read below.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
      const auto length = static_cast<std::size_t>(info.st_size);
      void* at = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (at != MAP_FAILED) {
        ::close(fd);
        file.data_ = static_cast<const uint8_t*>(at);
        file.size_ = length;
        file.mapped_ = true;
        return file;
      }
    }
    ::close(fd);
  }
#endif
  auto bytes = ReadWholeFile(path, error);
  if (!bytes) return std::nullopt;
  file.read_ = std::move(*bytes);
  file.data_ = file.read_.data();
  file.size_ = file.read_.size();
  return file;
}

FileBytes::FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this == &other) return *this;
  Release();
  // A moved vector keeps its buffer, so data_ stays valid for read files too.
  read_ = std::move(other.read_);
  data_ = other.data_;
  size_ = other.size_;
  mapped_ = other.mapped_;
  other.data_ = nullptr;
  other.size_ = 0;
  other.mapped_ = false;
  return *this;
}

FileBytes::~FileBytes() { Release(); }

void FileBytes::Release() {
#if defined(__unix__)
  if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
#endif
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
  read_.clear();
}

}  // namespace sq
