// What a walk met, kept when the walk is given a record (the dump and the check
// ask for one; the report does not): every chunk header and bare token a reader
// took and the header the walk stopped at, each with its offset in the file
// (what the walk said comes back in its result). A chunk or token takes at least eight bytes of the
// file, so the record stays within a few times the file's size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

struct ChunkEntry {
  uint64_t offset = 0;         // where the kind or token begins
  uint32_t size = 0;           // as stored (read little-endian); headers only
  std::array<char, 4> kind{};  // "FORM", "NRML", any other kind met, or a bare token
  std::array<char, 4> id{};    // headers only
  uint8_t depth = 0;           // 0 top level, 1 inside a form, 2 inside the detail part's INFO form
  bool header = false;         // kind, size and id were read; else a bare token
  // The reader that took the chunk; null for the header at which the walk stopped.
  const char* reader = nullptr;

  std::string_view Kind() const { return {kind.data(), kind.size()}; }
  std::string_view Id() const { return {id.data(), id.size()}; }
};

struct WalkRecord {
  std::vector<ChunkEntry> chunks;  // in the order the walk met them
};

}  // namespace sq
