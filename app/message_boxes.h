// Messages returned by the passes, shown by a front end through its Platform:
// each in a box with the application's title and the icon of its weight.
#pragma once

#include <string>
#include <utility>

#include "hod/message.h"
#include "hod/platform.h"
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
Outcome RefusedWith(Platform& platform, std::string text,
                    CommandOutcome::Status status = CommandOutcome::Status::Refused) {
  platform.ShowMessage(kAppTitle, text, MessageIcon::Warning);
  Outcome outcome;
  outcome.status = status;
  outcome.error = std::move(text);
  return outcome;
}

}  // namespace sq
