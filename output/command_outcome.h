// How a command ended, one type for every command that reads an input and writes
// files (report, tga, build-background, write-background, the background writer
// itself), and the exit status the command line gives it.
#pragma once

#include <string>

namespace sq {

struct CommandOutcome {
  enum class Status {
    Written,      // everything it was to write is written
    Refused,      // the input's name or shape was refused: nothing written
    Unreadable,   // the input could not be read or loaded: nothing written
    WriteFailed,  // a file could not be written (no partial file is left)
  };
  Status status = Status::Refused;
  std::string error;      // why it was refused, could not be read, or could not be written
  bool replaced = false;  // Written over a file of the same name that stood there before
};

// 0 written, 1 a file could not be written, 2 a refused or unreadable input.
int ExitStatusOf(const CommandOutcome& outcome);

}  // namespace sq
