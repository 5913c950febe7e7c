// The top-level file walker: once-only chunks, the big forms handed to their
// readers, and the runs of star-map and point-star chunks.
#include "hod/hod_walk.h"

#include <algorithm>
#include <new>

#include "hod/background_readers.h"
#include "hod/detail_readers.h"
#include "hod/visual_readers.h"

namespace sq {

void ResetModel(Model& model) { model = Model{}; }

void WalkContext::Say(std::string text, MessageWeight weight) {
  if (messages_.size() >= kMaxMessages) {
    in.Fail("more than " + std::to_string(kMaxMessages) + " messages in one walk");
    return;
  }
  messages_.push_back(Message{weight, std::move(text), in.Position()});
}

void WalkContext::StopAt(const PendingHeader& header) {
  if (stop_ || header.kind.size() != 4 || header.offset + 4 > in.Size()) return;
  stop_ = header;
  if (record_ != nullptr) Note(header.offset, header.kind, header.sizeAndIdRead, header.size, header.id, nullptr);
}

void WalkContext::Note(std::size_t offset, std::string_view kind, bool header, uint32_t size, std::string_view id,
                       const char* reader) {
  ChunkEntry& entry = record_->chunks.emplace_back();
  entry.offset = offset;
  entry.size = size;
  kind.copy(entry.kind.data(), std::min(kind.size(), entry.kind.size()));
  id.copy(entry.id.data(), std::min(id.size(), entry.id.size()));
  entry.depth = static_cast<uint8_t>(depth_);
  entry.header = header;
  entry.reader = reader;
}

void ReadFixedText(WalkContext& ctx, std::string& text, int32_t length) {
  if (ctx.in.Failed()) return;
  if (length < 0 || static_cast<std::size_t>(length) > ctx.in.Remaining()) {
    ctx.Say("Unqualified string at " + FormatInt(static_cast<int64_t>(ctx.in.Position()) + 1), MessageWeight::Error);
    return;
  }
  auto bytes = ctx.in.Bytes(static_cast<std::size_t>(length));
  text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

namespace {

struct Taken {
  bool vers = false, name = false, hvmd = false, dtrm = false, bgms = false, bglt = false;
};

ChunkHeader HeaderOf(const PendingHeader& pending) { return ChunkHeader{pending.kind, pending.size, pending.id}; }

WalkResult WalkHod(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  model.hasBGSG = false;
  model.hasSTRF = false;
  model.hasTopLevelSTRF = false;
  Taken taken;
  HodHeader& head = model.hodHeader;

  try {
    PendingHeader pending = ReadKind(in);
    while (!in.Failed()) {
      if (pending.kind == "FORM") {
        ReadSizeAndId(in, pending);
        if (in.Failed()) break;
        const std::string& id = pending.id;
        if (id == "VERS" && !taken.vers) {
          ctx.Took(pending, "WalkHod");
          head.vers = HeaderOf(pending);
          head.hodVersion = in.I32();
          pending = ReadKind(in);
          taken.vers = true;
        } else if (id == "NAME" && !taken.name) {
          ctx.Took(pending, "WalkHod");
          head.name = HeaderOf(pending);
          const auto n = static_cast<int32_t>(ByteSwap32(pending.size) - 4u);
          ReadFixedText(ctx, head.hodName, n);
          pending = ReadKind(in);
          taken.name = true;
        } else if (id == "HVMD" && !taken.hvmd) {
          ctx.Took(pending, "ReadHVMD");
          head.hvmd = HeaderOf(pending);
          taken.hvmd = true;
          const auto inside = ctx.Inside();
          pending = ReadHVMD(ctx, model);
        } else if (id == "DTRM" && !taken.dtrm) {
          ctx.Took(pending, "ReadDTRM");
          head.dtrm = HeaderOf(pending);
          taken.dtrm = true;
          const auto inside = ctx.Inside();
          pending = ReadDTRM(ctx, model);
        } else if (id == "BGMS") {
          model.hasBGMS = true;
          // A second BGMS form is not read again; the walk ends there.
          if (taken.bgms) break;
          ctx.Took(pending, "ReadBGMS");
          head.bgms = HeaderOf(pending);
          taken.bgms = true;
          const auto inside = ctx.Inside();
          pending = ReadBGMS(ctx, model);
        } else if (id == "BGSG") {
          pending = ReadStarMapRun(ctx, model, pending);
        } else {
          // An unknown form, or a second occurrence of a once-only one, ends the walk.
          break;
        }
      } else if (pending.kind == "NRML") {
        ReadSizeAndId(in, pending);
        if (in.Failed()) break;
        if (pending.id == "BGLT" && !taken.bglt) {
          ctx.Took(pending, "WalkHod");
          head.bglt = HeaderOf(pending);
          head.bgltValue = in.I32();
          pending = ReadKind(in);
          taken.bglt = true;
        } else if (pending.id == "STRF") {
          pending = ReadPointStarRun(ctx, model, pending);
        } else {
          break;
        }
      } else {
        break;  // any other kind, the zero kind at the end of the file included
      }
    }
    if (!in.Failed()) ctx.StopAt(pending);
  } catch (const std::bad_alloc&) {
    in.Fail("out of memory");
  }

  WalkResult result;
  result.messages = ctx.TakeMessages();
  if (const auto& failure = in.Failure()) {
    result.failed = true;
    result.offset = failure->offset;
    result.reason = failure->reason;
    result.end = failure->offset;
  } else if (ctx.Stop()) {
    result.stoppedAt = ctx.Stop();
    result.end = ctx.Stop()->offset;
  } else {
    result.end = in.Position();
  }
  return result;
}

}  // namespace

WalkResult WalkHodFile(std::shared_ptr<const FileBytes> file, Model& model, bool soundTest, WalkRecord* record) {
  // The model keeps the bytes before anything views them.
  model.fileBytes = file ? std::move(file) : FileBytes::Copy({});
  Reader reader(model.fileBytes->Bytes());
  WalkContext ctx(reader, soundTest, record);
  return WalkHod(ctx, model);
}

WalkResult WalkHodBytes(std::span<const uint8_t> bytes, Model& model, bool soundTest, WalkRecord* record) {
  return WalkHodFile(FileBytes::Copy(bytes), model, soundTest, record);
}

}  // namespace sq
