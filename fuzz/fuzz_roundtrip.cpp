// The writer round trip: bytes walked as a HOD file; when they hold a background of
// the shape the writer writes, its tables are written, the written bytes walked
// again, and the tables of the second walk must write the very same bytes.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "hod/hod_walk.h"
#include "writer/background_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();

  sq::Model first;
  if (sq::WalkHodBytes(std::span(data, size), first).failed) return 0;
  sq::BackgroundWriterTables tables;
  if (!sq::CopyBackgroundToWriter(first, tables).empty()) return 0;
  const std::string written = sq::SerializeBackgroundHod(tables);

  sq::Model second;
  const std::span<const uint8_t> writtenBytes(reinterpret_cast<const uint8_t*>(written.data()), written.size());
  const sq::WalkResult again = sq::WalkHodBytes(writtenBytes, second);
  SQFUZZ_CHECK(!again.failed, "the written background does not read back: " + again.reason);
  sq::BackgroundWriterTables reread;
  const std::string refusal = sq::CopyBackgroundToWriter(second, reread);
  SQFUZZ_CHECK(refusal.empty(), "the written background is not writable again: " + refusal);
  SQFUZZ_CHECK(sq::SerializeBackgroundHod(reread) == written, "the re-read background writes other bytes");

  // The geometry itself, counted: the same rows, vertices, indices and stars.
  for (std::size_t i = 0; i < tables.outBgmsTable.size(); ++i) {
    const sq::MeshPart& a = tables.outBgmsTable[i].parts.front();
    const sq::MeshPart& b = reread.outBgmsTable[i].parts.front();
    SQFUZZ_CHECK(a.vertices.size() == b.vertices.size() && a.indexLists == b.indexLists, "a mesh chunk changed");
  }
  for (std::size_t i = 0; i < tables.outStrfTable.size(); ++i) {
    SQFUZZ_CHECK(tables.outStrfTable[i].stars.size() == reread.outStrfTable[i].stars.size(),
                 "a point-star chunk changed");
  }
  scratch.CheckContained();
  return 0;
}
