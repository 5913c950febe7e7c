// The dump's indented view, made from the same document as the JSON: the chunk
// tree with one block a chunk, titled by its kind and id (or its bare token), the
// walk's end, the messages, and the tables as nested blocks.
#include "app/dump_command.h"

#include <algorithm>
#include <cstdio>

namespace sq {

namespace {

class TreeWriter {
 public:
  std::string text;

  void Line(const std::string& line) {
    text.append(2 * static_cast<std::size_t>(indent_), ' ');
    text += line;
    text += '\n';
  }
  void Open(const std::string& title, char bracket) {
    Line(title.empty() ? std::string(1, bracket) : title + " " + bracket);
    ++indent_;
  }
  void Close(char bracket) {
    --indent_;
    Line(std::string(1, bracket));
  }

 private:
  int indent_ = 0;
};

// A value on one line: strings as they stand, control characters as "_".
std::string Scalar(const Json& value) {
  if (value.is_null()) return "none";
  if (value.is_string()) {
    std::string text = value.get<std::string>();
    for (char& c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    }
    return text;
  }
  return value.dump();
}

bool AllScalars(const Json& list) {
  return std::none_of(list.begin(), list.end(), [](const Json& item) { return item.is_structured(); });
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

void WriteValue(TreeWriter& out, const std::string& key, const Json& value);

void WriteObject(TreeWriter& out, const Json& object) {
  for (const auto& item : object.items()) WriteValue(out, item.key(), item.value());
}

void WriteValue(TreeWriter& out, const std::string& key, const Json& value) {
  if (value.is_object()) {
    out.Open(key, '{');
    WriteObject(out, value);
    out.Close('}');
  } else if (value.is_array() && !AllScalars(value)) {
    out.Open(key, '[');
    for (const Json& item : value) {
      if (item.is_object()) {
        out.Open("", '{');
        WriteObject(out, item);
        out.Close('}');
      } else {
        WriteValue(out, "-", item);
      }
    }
    out.Close(']');
  } else if (value.is_array()) {
    std::string line = key + ": [";
    for (std::size_t i = 0; i < value.size(); ++i) line += (i > 0 ? ", " : "") + Scalar(value[i]);
    out.Line(line + "]");
  } else {
    out.Line(key + ": " + Scalar(value));
  }
}

void WriteChunk(TreeWriter& out, const Json& node) {
  const bool header = node.contains("kind");
  out.Open(header ? Scalar(node["kind"]) + " " + Scalar(node["id"]) : Scalar(node["token"]), '{');
  out.Line("Offset: " + node["offset"].dump());
  if (header) out.Line("Size: " + node["size"].dump() + " (stored " + Hex(node["stored_size"].get<uint64_t>()) + ")");
  out.Line("Reader: " + (node["reader"].is_null() ? std::string("none (the walk stopped here)")
                                                  : node["reader"].get<std::string>()));
  for (const Json& child : node["children"]) WriteChunk(out, child);
  out.Close('}');
}

void WriteFile(TreeWriter& out, const Json& document) {
  out.Line("File: " + Scalar(document["file"]));
  if (document.contains("error")) {
    out.Line("Error: " + Scalar(document["error"]));
    return;
  }
  out.Line("Size: " + document["size"].dump());
  const Json& end = document["walk_end"];
  out.Open("WalkEnd", '{');
  out.Line("Offset: " + end["offset"].dump());
  out.Line("Reason: " + Scalar(end["reason"]));
  if (end["stopped_at"].is_null()) {
    out.Line("StoppedAt: none");
  } else {
    const Json& at = end["stopped_at"];
    out.Line("StoppedAt: " + Scalar(at["kind"]) + (at["id"].is_null() ? "" : " " + Scalar(at["id"])));
  }
  out.Line("Unread: " + end["unread"].dump());
  out.Close('}');
  out.Open("Chunks", '[');
  for (const Json& node : document["chunks"]) WriteChunk(out, node);
  out.Close(']');
  out.Open("Messages", '[');
  for (const Json& message : document["messages"]) {
    out.Line(message["offset"].dump() + ": " + Scalar(message["weight"]) + ": " + Scalar(message["text"]));
  }
  out.Close(']');
  if (document.contains("tables")) WriteValue(out, "Tables", document["tables"]);
}

}  // namespace

std::string DumpTree(const Json& document) {
  TreeWriter out;
  WriteFile(out, document);
  return out.text;
}

}  // namespace sq
