// Messages returned by the passes, shown by a front end through its Platform:
// each in a box with the application's title and the icon of its weight. Also
// the front end's side of the passes' progress and of the halftone question.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>

#include "app/platform.h"
#include "hod/message.h"
#include "output/command_outcome.h"

namespace sq {

inline MessageIcon IconOf(MessageWeight weight) {
  switch (weight) {
    case MessageWeight::Notice:
      return MessageIcon::Information;
    case MessageWeight::Warning:
      return MessageIcon::Warning;
    case MessageWeight::Error:
      break;
  }
  return MessageIcon::Error;
}

inline void ShowMessage(Platform& platform, const Message& message) {
  platform.ShowMessage(kAppTitle, message.text, IconOf(message.weight));
}

inline void ShowMessages(Platform& platform, const Messages& messages) {
  for (const Message& message : messages) ShowMessage(platform, message);
}

// Shows why a command refused as a warning box and returns an outcome of the
// command's own kind that carries the same text.
template <class Outcome>
Outcome RefusedWith(Platform& platform, const std::string& text,
                    CommandOutcome::Status status = CommandOutcome::Status::Refused) {
  platform.ShowMessage(kAppTitle, text, MessageIcon::Warning);
  Outcome outcome;
  outcome.status = status;
  outcome.error = text;
  return outcome;
}

// The messages of one flow shown as the flow goes on, each once and in the
// order said: those said before a question when the question comes (the flow
// hands the question what it has said so far), the rest when it is done.
class MessagesShown {
 public:
  explicit MessagesShown(Platform& platform) : platform_(platform) {}
  // Shows the messages of `said` past those shown already; `said` is what the
  // flow has said so far, so what was shown before is its beginning.
  void Catch(const Messages& said) {
    for (; shown_ < said.size(); ++shown_) ShowMessage(platform_, said[shown_]);
  }

 private:
  Platform& platform_;
  std::size_t shown_ = 0;
};

// The progress of a pass on the platform's bar, letting pending events run
// after each step. The platform takes ints: a maximum beyond their range is
// scaled down on the way, so a 32767 x 32767 image still shows sensible progress.
class PlatformProgress final : public ProgressSink {
 public:
  explicit PlatformProgress(Platform& platform) : platform_(platform) {}
  void Progress(int64_t done, int64_t total) override {
    const int64_t scale = total / std::numeric_limits<int>::max() + 1;
    platform_.SetProgress(static_cast<int>(total / scale), static_cast<int>(done / scale));
    platform_.DoEvents();
  }

 private:
  Platform& platform_;
};

}  // namespace sq
