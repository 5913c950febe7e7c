// The chunk header every record starts with, and the header a reader hands back.
#pragma once

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
struct PendingHeader {
  std::string kind;
  bool sizeAndIdRead = false;
  uint32_t size = 0;
  std::string id;
};

inline PendingHeader KindOnly(std::string kind) { return PendingHeader{std::move(kind), false, 0, {}}; }
inline PendingHeader WithSizeAndId(std::string kind, uint32_t size, std::string id) {
  return PendingHeader{std::move(kind), true, size, std::move(id)};
}

}  // namespace sq
