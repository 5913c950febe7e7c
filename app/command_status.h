// One line for the main window's status bar after each command: what was
// written where, what could not be written, and where a walk of a damaged file
// ended. The message boxes stay as they are; this line is what remains on
// screen afterwards.
#pragma once

#include <cstddef>
#include <string>

#include "app/report_command.h"
#include "app/tga_command.h"
#include "builder/output_report.h"
#include "hod/hod_walk.h"

namespace sq {

// "The walk ended at byte N: REASON" for a walk that failed; for one that
// stopped short of the file's end, where and why as `check` words it ("The
// walk ended early at byte N: the last M bytes were not read"); empty for a
// walk that read the whole file.
std::string WalkStatus(const WalkResult& walk, std::size_t fileSize);

// The report's path (or why it could not be written), the side files that could
// not be written, and where the walk ended when it ended early.
std::string ReportStatus(const ReportOutcome& outcome);

// The message box's text naming each side file that could not be written, with
// the system's reason, one to a line; empty when every one was written.
std::string SideFilesMessage(const ReportOutcome& outcome);

// The files a picture load or a save wrote ("Wrote PATH", or "Wrote N files to
// FOLDER: NAME, NAME, ..."), and how many could not be written.
std::string WrittenStatus(const OutputReport& report);

// A picture load: the files the detector wrote, or why nothing was written.
std::string TargaLoadStatus(const TgaCommandOutcome& outcome);

}  // namespace sq
