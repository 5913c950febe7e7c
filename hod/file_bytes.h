// A whole input file held for reading: mapped read-only where the system allows,
// else read into memory. Mapping shares the pages the system already caches, so
// a 200 MB model costs no copy and no fresh memory; the walk touches only the
// pages it reads, and large blocks (pixels, vertices) stay views into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sq {

class FileBytes {
 public:
  // Opens `path`. Returns nullopt and sets `error` when it cannot be read.
  static std::optional<FileBytes> Open(const std::filesystem::path& path, std::string& error);

  FileBytes(FileBytes&& other) noexcept;
  FileBytes& operator=(FileBytes&& other) noexcept;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes();

  std::span<const uint8_t> bytes() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  bool mapped() const { return mapped_; }

 private:
  FileBytes() = default;
  void Release();

  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::vector<uint8_t> read_;  // the bytes when the file could not be mapped
};

}  // namespace sq
