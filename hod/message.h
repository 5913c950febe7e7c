// What the program's passes have to tell a person, as data: the walk, the
// picture loads, the builder and the writer return their messages, and only a
// front end (the window, the command line, the page) shows them. Progress goes
// the same way, into a small sink the front end provides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sq {

// How much a message weighs: a notice is only worth knowing (the owner's
// greeting of a HOD file), a warning asks the person to look (a picture of an
// unusual size), an error says what failed. A front end shows each with the icon of
// its weight; a check counts warnings as doubtful and errors as damage.
enum class MessageWeight : uint8_t { Notice, Warning, Error };

struct Message {
  MessageWeight weight = MessageWeight::Notice;
  std::string text;
  // Where in the input the pass stood when it said it, where it was reading one.
  std::optional<std::size_t> offset;
};

using Messages = std::vector<Message>;

inline void Say(Messages& messages, MessageWeight weight, std::string text,
                std::optional<std::size_t> offset = std::nullopt) {
  messages.push_back(Message{weight, std::move(text), offset});
}

// Where long work reports how far it got: `done` of `total` units (pixels,
// rows, bytes). A front end draws a bar and may let its window's events run; the
// default sink does nothing.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Progress(int64_t done, int64_t total) = 0;
};

class NoProgress final : public ProgressSink {
 public:
  void Progress(int64_t /*done*/, int64_t /*total*/) override {}
};

}  // namespace sq
