// The program's commands as UI-free flows. The window and the command line supply
// the chosen file, the output folder and a Platform; the tests do the same.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "hod/modFarholdhod.h"

namespace sq {

// The accepted-name rule for HOD files: the path must contain ".hod" (case
// matters). Returns the base name: the text in front of the first ".hod", without
// anything up to its last folder separator ("\" or "/"). Empty when refused.
std::string HodBaseName(std::string_view path);

// The folder that holds a file, "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);

struct ReportOutcome {
  enum class Status { Written, Refused, WriteFailed };
  Status status = Status::Refused;
  std::string baseName;
  std::filesystem::path reportPath;
  WalkResult walk;
  bool openPreview = false;  // the file held a BGMS form or point stars
  std::string error;         // why the report could not be written
};

// The report command: checks the name, resets the model, walks the file, and
// writes BASE.HODreport.rtf into outputFolder through a temporary file.
ReportOutcome ReportCommand(Model& model, const std::filesystem::path& hodPath,
                            const std::filesystem::path& outputFolder, bool soundTest, Platform& platform);

}  // namespace sq
