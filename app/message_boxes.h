// Messages returned by the passes, shown by a face through its Platform: each
// in a box with the application's title and the icon of its weight.
#pragma once

#include "hod/message.h"
#include "hod/platform.h"

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

}  // namespace sq
