#include "output/command_outcome.h"

namespace sq {

int ExitStatusOf(const CommandOutcome& outcome) {
  switch (outcome.status) {
    case CommandOutcome::Status::Written:
      return 0;
    case CommandOutcome::Status::WriteFailed:
      return 1;
    case CommandOutcome::Status::Refused:
    case CommandOutcome::Status::Unreadable:
      return 2;
  }
  return 2;
}

}  // namespace sq
