#include "hod/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <utility>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sq {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path.string();
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  in.seekg(0, std::ios::beg);
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  return bytes;
}

std::shared_ptr<const FileBytes> FileBytes::Open(const std::filesystem::path& path, std::string& error) {
#if defined(__unix__)
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat info {};
    // Only a regular file of kMapFrom bytes or more is mapped; anything else is
    // read below. A small file costs less to read than to map and unmap, and an
    // unmapping stops every other thread of the program for a moment (a run over
    // many files reads them on several threads).
    const bool known = ::fstat(fd, &info) == 0;
    const bool regular = known && S_ISREG(info.st_mode);
    if (known && S_ISDIR(info.st_mode)) {  // a folder opens, but holds no bytes to read
      ::close(fd);
      errno = EISDIR;
      error = "cannot read " + path.string();
      return nullptr;
    }
    if (regular && info.st_size >= kMapFrom) {
      const auto length = static_cast<std::size_t>(info.st_size);
      // Not populated ahead: a page is mapped when first read, so the pages a walk
      // skips (vertices, stars, pixels it only views) cost nothing at all.
      void* at = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
      if (at != MAP_FAILED) {
        ::close(fd);
        std::shared_ptr<FileBytes> file(new FileBytes);
        file->data_ = static_cast<const uint8_t*>(at);
        file->size_ = length;
        file->mapped_ = true;
        file->name_ = path.string();
        return file;
      }
    }
    if (regular) {
      // Read through the descriptor already open, into memory not cleared
      // first: every byte of it is read over.
      const auto length = static_cast<std::size_t>(info.st_size);
      std::shared_ptr<FileBytes> file(new FileBytes);
      try {
        file->owned_.reset(new uint8_t[length == 0 ? 1 : length]);
      } catch (...) {
        ::close(fd);
        throw;
      }
      std::size_t got = 0;
      while (got < length) {
        const ssize_t n = ::read(fd, file->owned_.get() + got, length - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      ::close(fd);
      if (got < length) {
        error = "cannot read " + path.string();
        return nullptr;
      }
      file->data_ = file->owned_.get();
      file->size_ = length;
      file->name_ = path.string();
      return file;
    }
    ::close(fd);
  }
#endif
  auto bytes = ReadWholeFile(path, error);
  if (!bytes) return nullptr;
  return Adopt(std::move(*bytes), path.string());
}

std::shared_ptr<const FileBytes> FileBytes::Adopt(std::vector<uint8_t> bytes, std::string name) {
  std::shared_ptr<FileBytes> file(new FileBytes);
  file->name_ = std::move(name);
  file->read_ = std::move(bytes);
  file->data_ = file->read_.data();
  file->size_ = file->read_.size();
  return file;
}

std::shared_ptr<const FileBytes> FileBytes::Copy(std::span<const uint8_t> bytes, std::string name) {
  return Adopt(std::vector<uint8_t>(bytes.begin(), bytes.end()), std::move(name));
}

void FileBytes::LetGo(std::size_t offset, std::size_t length) const {
#if defined(__unix__) && defined(MADV_DONTNEED)
  if (!mapped_ || offset >= size_) return;
  // A mapping starts on a page: whole pages are those whole from its start.
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t end = offset + std::min(length, size_ - offset);
  const std::size_t first = (offset + page - 1) / page * page, last = end / page * page;
  // The pages are the file's, never written: dropped, they read the same again.
  if (first < last) ::madvise(const_cast<uint8_t*>(data_) + first, last - first, MADV_DONTNEED);
#else
  (void)offset, (void)length;
#endif
}

FileBytes::~FileBytes() {
#if defined(__unix__)
  if (mapped_) ::munmap(const_cast<uint8_t*>(data_), size_);
#endif
}

}  // namespace sq
