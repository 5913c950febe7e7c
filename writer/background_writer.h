// The background HOD writer: one BGMS form of sixteen mesh chunks, two star-map
// forms and sixteen point-star chunks, serialised from the writer tables. The
// writer sets every chunk id, constant, texture name and size itself; the
// geometry must stand in the tables before it runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hod/background_mesh_chunk.h"
#include "hod/background_tables.h"
#include "hod/message.h"
#include "output/command_outcome.h"
#include "output/output_folder.h"

namespace sq {

inline constexpr std::size_t kWriterMeshChunks = 16;
inline constexpr std::size_t kWriterStarMaps = 2;
inline constexpr std::size_t kWriterPointStarChunks = 16;
inline constexpr int32_t kWriterMaxVertices = 32767;

// The fixed leading headers: the version form, the background-light chunk and
// the header of the BGMS form. Sizes are kept as stored (byte-swapped).
struct OutHeaders {
  std::string versKind;
  uint32_t versSize = 0;
  std::string versId;
  int32_t hodVersion = 0;
  std::string bgltKind;
  uint32_t bgltSize = 0;
  std::string bgltId;
  int32_t bgltValue = 0;
  std::string bgmsKind;
  uint32_t bgmsSize = 0;
  std::string bgmsId;
};

struct BackgroundWriterTables {
  OutHeaders outHeaders;
  std::vector<MeshChunk> outBgmsTable;  // sixteen entries, each with one part and one index list
  std::array<StarMapChunk, kWriterStarMaps> outBgsgTable;
  std::array<PointStarChunk, kWriterPointStarChunks> outStrfTable;
};

// Why the tables cannot be written, or an empty string when they can: sixteen
// mesh chunks (OnePartMeshChunk makes them), each with a part of 0..32767
// vertices (at least that many stored), list count 1 and an index list holding
// exactly its count; star-map and point-star lists holding exactly their counts;
// sizes within 32 bits.
std::string WriterPreconditions(const BackgroundWriterTables& tables);

// The chunk sizes as computed, before byte-swapping.
uint32_t MeshChunkSize(const MeshChunk& chunk);            // 38 + 20n + 2m
uint32_t BgmsFormSize(BackgroundWriterTables& tables);     // sets every mesh chunk's size; 4 + sum(8 + s)
uint32_t StarMapFormSize(const StarMapChunk& chunk);       // 32c + 19
uint32_t PointStarChunkSize(const PointStarChunk& chunk);  // 28p + 12

// Sets the headers, sizes and constant fields, and returns the file's bytes.
// The preconditions must hold.
std::string SerializeBackgroundHod(BackgroundWriterTables& tables);

// "The background HOD cannot be written: WHY.", for whatever keeps a
// background from being written.
std::string CannotWriteHodText(std::string_view why);

struct HodWriteOutcome : CommandOutcome {
  Messages messages;  // why it was refused or failed, as a person is told
};

// Writes the tables as the file `name` in `folder`, whole (on disk through a
// temporary file and a rename). When the preconditions do not hold it says why
// (CannotWriteHodText) and writes nothing (Refused); a failed write is said too
// and leaves any earlier file of that name as it was. `replaced` tells whether
// a file of that name stood there before.
HodWriteOutcome WriteBackgroundHod(BackgroundWriterTables& tables, OutputFolder& folder, std::string_view name);

// Copies a background read from a file into the writer tables when it has the
// shape the writer writes. Returns an empty string on success, else why not (the
// writer tables are then left as they were).
std::string CopyBackgroundToWriter(const BackgroundTables& background, BackgroundWriterTables& tables);

}  // namespace sq
