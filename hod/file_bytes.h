// A whole input file held for reading: mapped read-only where the system allows
// and the file is large, else read into memory. Mapping shares the pages the system already caches, so
// a 200 MB model costs no copy and no fresh memory; the walk touches only the
// pages it reads, and large blocks (pixels, vertices, index lists, stars) stay
// views into it. It is shared: the model that a walk fills keeps it alive as long
// as its views may be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sq {

// Reads a whole file. Returns nullopt and sets `error` when it cannot.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string& error);

class FileBytes {
 public:
  // Files of this size and more are mapped; smaller ones are read.
  static constexpr long kMapFrom = 1L << 20;

  // Opens `path`; the bytes are named by it. Returns null and sets `error` when
  // it cannot be read.
  static std::shared_ptr<const FileBytes> Open(const std::filesystem::path& path, std::string& error);
  // Bytes already in memory, kept from now on, under the name they came by (a
  // file's path or name as the person knows it).
  static std::shared_ptr<const FileBytes> Adopt(std::vector<uint8_t> bytes, std::string name = {});
  static std::shared_ptr<const FileBytes> Copy(std::span<const uint8_t> bytes, std::string name = {});

  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes();

  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  bool Mapped() const { return mapped_; }
  // Says that bytes offset .. offset + length - 1 were read through and copied
  // out: a mapping's whole pages among them leave this process's memory (a
  // later read brings them back from the file). A no-op for bytes in memory.
  void LetGo(std::size_t offset, std::size_t length) const;
  // The name the bytes came by: the path they were read from, or the name the
  // caller gave them.
  const std::string& Name() const { return name_; }

 private:
  FileBytes() = default;

  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::string name_;
  std::vector<uint8_t> read_;         // the bytes adopted
  std::unique_ptr<uint8_t[]> owned_;  // the bytes read from a file not mapped
};

}  // namespace sq
