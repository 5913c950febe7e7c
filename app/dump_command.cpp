#include "app/dump_command.h"

#include <algorithm>
#include <new>

#include "hod/file_bytes.h"

namespace sq {

namespace {

Json EntryJson(const ChunkEntry& entry) {
  Json node;
  node["offset"] = entry.offset;
  if (entry.header) {
    node["kind"] = JsonText(entry.Kind());
    node["id"] = JsonText(entry.Id());
    node["size"] = ByteSwap32(entry.size);
    node["stored_size"] = entry.size;
  } else {
    node["token"] = JsonText(entry.Kind());
  }
  node["depth"] = entry.depth;
  node["reader"] = entry.reader != nullptr ? Json(entry.reader) : Json(nullptr);
  return node;
}

// The entries from `at` on that lie at `depth` or deeper, as a list of nodes.
Json Children(const std::vector<ChunkEntry>& entries, std::size_t& at, int depth) {
  Json list = Json::array();
  while (at < entries.size() && entries[at].depth >= depth) {
    Json node = EntryJson(entries[at]);
    const int own = entries[at].depth;
    ++at;
    node["children"] = Children(entries, at, own + 1);
    list.push_back(std::move(node));
  }
  return list;
}

Json HeaderJson(const PendingHeader& header) {
  Json node;
  node["offset"] = header.offset;
  node["kind"] = JsonText(header.kind);
  node["id"] = header.sizeAndIdRead ? Json(JsonText(header.id)) : Json(nullptr);
  return node;
}

const char* WeightName(MessageWeight weight) {
  switch (weight) {
    case MessageWeight::Notice:
      return "notice";
    case MessageWeight::Warning:
      return "warning";
    case MessageWeight::Error:
      return "error";
  }
  return "notice";
}

}  // namespace

std::string DumpJson(const Json& document) { return document.dump(2, ' ', false, Json::error_handler_t::replace); }

Json ChunkTree(const WalkRecord& record) {
  std::size_t at = 0;
  return Children(record.chunks, at, 0);
}

Json DumpDocument(const std::string& path, std::size_t fileSize, const WalkResult& walk, const WalkRecord& record,
                  const Model* tablesOf) {
  Json document;
  document["format_version"] = kDumpFormatVersion;
  // A path is the system's own text, not the file's: it is kept as it stands.
  document["file"] = path;
  document["size"] = fileSize;
  Json end;
  end["offset"] = walk.end;
  end["reason"] = walk.failed ? Json(JsonText(walk.reason)) : Json(nullptr);
  end["stopped_at"] = walk.stoppedAt ? HeaderJson(*walk.stoppedAt) : Json(nullptr);
  end["unread"] = fileSize - std::min(walk.end, fileSize);
  document["walk_end"] = std::move(end);
  document["chunks"] = ChunkTree(record);
  Json messages = Json::array();
  for (const Message& message : walk.messages) {
    Json m;
    m["offset"] = message.offset.value_or(0);
    m["weight"] = WeightName(message.weight);
    m["text"] = JsonText(message.text);
    messages.push_back(std::move(m));
  }
  document["messages"] = std::move(messages);
  if (tablesOf != nullptr) document["tables"] = Json(TablesJson(*tablesOf));
  return document;
}

DumpOutcome DumpFile(const std::filesystem::path& path, const DumpOptions& options) {
  std::string error;
  auto bytes = FileBytes::Open(path, error);
  if (bytes) return DumpBytes(path.string(), std::move(bytes), options);
  DumpOutcome outcome;
  outcome.document = Json();
  outcome.document["file"] = path.string();
  outcome.document["error"] = JsonText(error);
  return outcome;
}

DumpOutcome DumpBytes(const std::string& path, std::shared_ptr<const FileBytes> bytes, const DumpOptions& options) {
  DumpOutcome outcome;
  try {
    const std::size_t size = bytes->size();
    Model model;
    WalkRecord record;
    const WalkResult walk = WalkHodFile(std::move(bytes), model, options.soundTest, &record);
    outcome.document = DumpDocument(path, size, walk, record, options.tables ? &model : nullptr);
    outcome.findings = FileFindings(walk, record, model);
    outcome.readable = true;
    return outcome;
  } catch (const std::bad_alloc&) {
    outcome.document = Json();
    outcome.document["file"] = path;
    outcome.document["error"] = JsonText("out of memory");
  }
  return outcome;
}

}  // namespace sq
