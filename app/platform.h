// Platform: the few things a front end (the window, the command line, the
// page, a test) does for a person. The rooms below app/ never ask for them:
// they return what they have to say, and the front end shows it through this.
#pragma once

#include <string_view>

namespace sq {

// The icon a message box carries: Information for what went right or is only
// worth knowing, Warning for what the person should look at, Error for what
// failed. Question is the Yes/No question's own.
enum class MessageIcon { None, Information, Question, Warning, Error };

class Platform {
 public:
  virtual ~Platform() = default;
  // A message box with one OK button and the icon that fits the message.
  virtual void ShowMessage(std::string_view title, std::string_view text, MessageIcon icon) = 0;
  // A Yes/No question; returns true for Yes.
  virtual bool AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) = 0;
  virtual void SetProgress(int maximum, int value) = 0;
  // Lets pending window events run during long work.
  virtual void DoEvents() = 0;
};

// The application's title, shown by every message box without a caption of its own.
inline constexpr std::string_view kAppTitle = "Starquill";

}  // namespace sq
