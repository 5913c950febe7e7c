// The chunk header every record starts with, and the header a reader hands back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sq {

struct ChunkHeader {
  std::string chunkKind;   // "FORM" or "NRML"
  uint32_t chunkSize = 0;  // as stored: big-endian in the file, read little-endian
  std::string chunkId;
  bool operator==(const ChunkHeader&) const = default;
};

// The header a reader stopped at. The kind is always read; the size and id only
// when `sizeAndIdRead` is set. A header is read once and dispatched from here.
// `offset` is where its kind begins in the file.
struct PendingHeader {
  std::string kind;
  bool sizeAndIdRead = false;
  uint32_t size = 0;
  std::string id;
  std::size_t offset = 0;
};

inline PendingHeader KindOnly(std::string kind, std::size_t offset) {
  return PendingHeader{std::move(kind), false, 0, {}, offset};
}
inline PendingHeader WithSizeAndId(std::string kind, uint32_t size, std::string id, std::size_t offset) {
  return PendingHeader{std::move(kind), true, size, std::move(id), offset};
}

}  // namespace sq
