// The write-background command as a UI-free flow: a background read from a HOD
// file, copied into the writer tables and written again as BASE.hod.
#pragma once

#include <filesystem>
#include <string>

#include "app/platform.h"
#include "output/command_outcome.h"

namespace sq {

struct WriteBackgroundOutcome : CommandOutcome {
  std::filesystem::path outPath;
};

// Reads hodPath, and when it holds a background of the writable shape (sixteen
// mesh chunks of one part and one index list, two star maps, sixteen point-star
// chunks) writes it into outputFolder as BASE.hod. Refuses with a message, writing
// nothing, for any other shape, a damaged file, or an output that is the input.
WriteBackgroundOutcome WriteBackgroundCommand(const std::filesystem::path& hodPath,
                                              const std::filesystem::path& outputFolder, Platform& platform);

}  // namespace sq
