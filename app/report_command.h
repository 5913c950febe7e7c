// The report command as a UI-free flow. The window and the command line supply
// the chosen file, the output folder and a Platform; the tests do the same.
#pragma once

#include <filesystem>
#include <string>

#include "app/command_paths.h"
#include "hod/hod_walk.h"

namespace sq {

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
// writes BASE.HODreport.rtf into outputFolder through a temporary file. Given a
// record, the walk notes in it what it met.
ReportOutcome ReportCommand(Model& model, const std::filesystem::path& hodPath,
                            const std::filesystem::path& outputFolder, bool soundTest, Platform& platform,
                            WalkRecord* record = nullptr);

}  // namespace sq
