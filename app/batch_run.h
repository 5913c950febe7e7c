// One command over many HOD files: the files and folders named on the command
// line, each file's work on one thread of a small pool (the work of one file stays
// on one thread), every file's output printed whole and in input order, a
// progress bar on a terminal, and a summary line at the end.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/check_command.h"
#include "app/cli.h"

namespace sq {

struct BatchOptions {
  bool recursive = false;
  unsigned jobs = 0;  // 0: one per core
};

// One input file and where it came from.
struct BatchInput {
  std::size_t index = 0;           // its place in input order
  std::filesystem::path path;      // the file
  std::filesystem::path argument;  // the command-line argument that named it
  bool fromFolder = false;         // found in a folder argument
  // Its path below the folder argument; the file name for a file argument.
  std::filesystem::path relative;
};

struct BatchInputs {
  std::vector<BatchInput> files;
  // A line for each folder that gives no file or cannot be read ("PATH: reason").
  std::vector<std::string> problems;
  // More than one argument, or a folder: the run prints a summary, and each
  // file's messages name it.
  bool batch = false;
};

// The files the arguments name: a file argument as it stands (a path that does not
// exist fails when it is read); from a folder the files whose names hold ".hod",
// with -r from its subfolders too, in the order of their paths.
BatchInputs CollectInputs(const std::vector<std::string>& arguments, bool recursive);

// What one file's run printed and how it went.
struct FileResult {
  std::string out, err;
  FileVerdict verdict = FileVerdict::Clean;
  int status = 0;  // the exit status a run on this file alone gives
};

// Streams that gather a file's output in memory while its job runs.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  CliStreams streams() const { return {out_, err_}; }
  // Closes the streams and hands over what was written to them.
  FileResult Finish(FileVerdict verdict, int status);

 private:
  std::FILE* out_ = nullptr;
  std::FILE* err_ = nullptr;
  char* outText_ = nullptr;
  char* errText_ = nullptr;
  std::size_t outSize_ = 0;
  std::size_t errSize_ = 0;
};

using FileJob = std::function<FileResult(const BatchInput&)>;

struct BatchTally {
  std::size_t files = 0, clean = 0, warnings = 0, errors = 0, unreadable = 0;
  int status = 0;  // the highest status of any file; 2 when a folder gave none
};

// "N files: A clean, B with warnings, C with errors, D unreadable"
std::string SummaryLine(const BatchTally& tally);

// Runs `job` on every input on up to `jobs` threads (0: one per core) and prints
// each file's output whole, in input order, as soon as the files before it are
// printed; in a batch each line a file writes to stderr starts with its path.
// At most a few outputs wait to be printed, so memory follows the largest file,
// not the sum. Problems of the inputs are printed first and count as unreadable;
// a batch ends with the summary line. `between` is printed between two files'
// outputs on stdout.
BatchTally RunBatch(const BatchInputs& inputs, unsigned jobs, const FileJob& job, CliStreams streams,
                    std::string_view between = {});

}  // namespace sq
