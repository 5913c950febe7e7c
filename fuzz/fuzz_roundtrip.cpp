// The writer round trip: bytes walked as a HOD file; when they hold a background of
// the shape the writer writes, its tables are written, the written bytes walked
// again, and the tables of the second walk must write the very same bytes.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "hod/hod_walk.h"
#include "writer/background_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
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
  return 0;
}
