// The report command as a UI-free flow. The window and the command line supply
// the chosen file, the output folder and a Platform; the tests do the same.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_paths.h"
#include "exports/side_exports.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "output/command_outcome.h"
#include "output/output_folder.h"

namespace sq {

// Refused for a name without ".hod", Unreadable for a file that cannot be read.
struct ReportOutcome : CommandOutcome {
  std::string baseName;
  std::filesystem::path reportPath;
  WalkResult walk;
  std::size_t fileSize = 0;  // the bytes the walk was given
  bool openPreview = false;  // the file held a BGMS form or point stars
  bool background = false;   // the file is a background (IsBackground)
  // The side files that could not be written whole, in the order they failed.
  // The report is written (or not) all the same; whoever shows the outcome names them.
  std::vector<ExportFailure> sideFileFailures;
};

// The report command: checks the name, resets the model, walks the file, writes
// BASE.HODreport.rtf into outputFolder through a temporary file, then appends the
// side exports of what the walk read to their files there. Given a record, the
// walk notes in it what it met.
ReportOutcome ReportCommand(Model& model, const std::filesystem::path& hodPath,
                            const std::filesystem::path& outputFolder, bool soundTest, Platform& platform,
                            WalkRecord* record = nullptr);

// The same for a file already in memory (the page's, handed over whole), under
// the name `hodPath` it came by: the report and the side files go into `folder`.
// The name is checked as above; the bytes are walked as a mapped file is.
ReportOutcome ReportOfBytes(Model& model, const std::string& hodPath, std::shared_ptr<const FileBytes> file,
                            OutputFolder& folder, bool soundTest, Platform& platform, WalkRecord* record = nullptr);

}  // namespace sq
