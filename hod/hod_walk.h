// The walk of a HOD file into its model. The folder hod/ is the reading room
// every other part shares:
//
//   hod_walk.h            the walk context and the file walker
//   hod_model.h           the parsed model: every family's tables, the header chunks, the summary,
//                         what the preview and the side exports are made of
//   byte_reader.h         byte order and the bounded reader
//   text_forms.h          numbers and names as the report and the side files write them
//   chunk_header.h        the chunk header and the header a reader stops at
//   file_bytes.h          a whole input file, mapped or read, that the tables view
//   record_list.h         tables of fixed-size records viewed in the file or owned
//   background_tables.h   background records and tables (also the writer's)
//   background_readers.h  the BGMS form, star-map and point-star chunks and runs
//   background_mesh_chunk.h  the one-part mesh chunk the builder makes and the writer writes
//   visual_tables.h       what the HVMD form holds; the BMSH mesh records
//   visual_readers.h      the HVMD walker and its chunk readers
//   detail_tables.h       what the DTRM form holds
//   detail_readers.h      the DTRM walker and its item readers
//   walk_record.h         what a walk met (chunks, stop, messages), kept when asked for
//   message.h             messages as data (text, weight, offset) and the progress sink
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hod/byte_reader.h"
#include "hod/chunk_header.h"
#include "hod/file_bytes.h"
#include "hod/hod_model.h"
#include "hod/message.h"
#include "hod/text_forms.h"
#include "hod/walk_record.h"

namespace sq {

// Everything one walk carries besides the model: the reader, the messages it
// has said, the check box that changes the VARY layout, and the record of what
// the walk met when one is kept. A walk only reads; it writes no file and shows
// nothing: its messages go back to the front end in the result.
class WalkContext {
 public:
  explicit WalkContext(Reader& reader, bool soundTest = false, WalkRecord* record = nullptr)
      : in(reader), soundTest_(soundTest), record_(record) {}

  Reader& in;

  // Keeps a message with the offset the reader stands at. A walk says at most
  // kMaxMessages; the next one ends the walk as a failure instead.
  void Say(std::string text, MessageWeight weight);
  Messages TakeMessages() { return std::move(messages_); }

  bool SoundTest() const { return soundTest_; }

  // Notes, for the record, the chunk a reader takes at the depth the walk stands
  // at: a header (its kind, and its size and id when read) or a bare token.
  void Took(const PendingHeader& header, const char* reader) {
    if (record_ != nullptr) Note(header.offset, header.kind, header.sizeAndIdRead, header.size, header.id, reader);
  }
  void TookToken(std::size_t offset, std::string_view token, const char* reader) {
    if (record_ != nullptr) Note(offset, token, false, 0, {}, reader);
  }
  // The header at which the walk ends because no reader takes it. The first one
  // counts; a header whose kind lies past the end of the file is none.
  void StopAt(const PendingHeader& header);
  const std::optional<PendingHeader>& Stop() const { return stop_; }

  // The walk stands one level deeper (a form's contents) while the guard lives.
  class Level {
   public:
    explicit Level(int& depth) : depth_(depth) { ++depth_; }
    ~Level() { --depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

   private:
    int& depth_;
  };
  [[nodiscard]] Level Inside() { return Level(depth_); }

  // The most messages one walk says: a file that would say more is taken for damaged.
  static constexpr std::size_t kMaxMessages = 10;

 private:
  void Note(std::size_t offset, std::string_view kind, bool header, uint32_t size, std::string_view id,
            const char* reader);

  bool soundTest_;
  WalkRecord* record_;
  Messages messages_;
  int depth_ = 0;
  std::optional<PendingHeader> stop_;
};

// The kind of the next header, with its offset. At the end of the file it is the
// zero kind, which no reader takes.
inline PendingHeader ReadKind(Reader& in) {
  const std::size_t offset = in.Position();
  return KindOnly(in.Tag(), offset);
}

// Reads the size and id behind a header's kind unless they are read already:
// every reader that meets a FORM or NRML kind reads them through this.
inline void ReadSizeAndId(Reader& in, PendingHeader& header) {
  if (header.sizeAndIdRead) return;
  header.size = in.U32();
  header.id = in.Chars4();
  header.sizeAndIdRead = true;
}

// The counted-text read of every reader: `length` bytes into `text`. A length
// that is negative or longer than the bytes left shows "Unqualified string at "
// and the 1-based position of the next byte; `text` is kept and nothing is read.
void ReadFixedText(WalkContext& ctx, std::string& text, int32_t length);

// A run of like chunks: reads item `first`, then item after item for as long as
// `nextIsLike` (which reads the next header) finds one of the same kind behind
// the last. A failure of the walk ends the run.
template <typename ReadItem, typename NextIsLike>
void ReadRun(Reader& in, int first, ReadItem readItem, NextIsLike nextIsLike) {
  for (int item = first;; ++item) {
    readItem(item);
    if (in.Failed() || !nextIsLike() || in.Failed()) return;
  }
}

// How a walk ended.
struct WalkResult {
  bool failed = false;
  std::size_t offset = 0;  // where the failure happened
  std::string reason;
  // Where the walk stopped reading: the failure's offset, the header no reader
  // took, or the end of the file. Short of the file's size the walk ended early.
  std::size_t end = 0;
  // The header no reader took, when the walk ended at one (not for a failure).
  std::optional<PendingHeader> stoppedAt;
  // What the walk said, in the order it said it, for the front end to show.
  Messages messages;
};

// Walks a whole HOD file into the model, which keeps the file's bytes. Given a
// record, the walk notes in it what it met.
WalkResult WalkHodFile(std::shared_ptr<const FileBytes> file, Model& model, bool soundTest = false,
                       WalkRecord* record = nullptr);

// The same for bytes the caller holds: the model keeps a copy of them.
WalkResult WalkHodBytes(std::span<const uint8_t> bytes, Model& model, bool soundTest = false,
                        WalkRecord* record = nullptr);

}  // namespace sq
