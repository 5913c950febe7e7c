#include "app/batch_run.h"

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace sq {

namespace fs = std::filesystem;

namespace {

// Whether a file found in a folder is taken: its name holds ".hod" (case matters).
bool IsHodName(const fs::path& file) { return file.filename().string().find(".hod") != std::string::npos; }

// A file found below a folder argument: its path, and its path below the argument.
struct FoundFile {
  fs::path path, relative;
};

// The files of one folder (`relative` below the argument), and with `recursive`
// of its subfolders, in the order of their paths: a folder's files and
// subfolders by name, each subfolder's files where its name falls. A folder
// that cannot be read gives a problem line. Folders reached through a link are
// not entered, so a link back up the tree cannot loop.
void ScanFolder(const fs::path& folder, const fs::path& relative, bool recursive, std::vector<FoundFile>& found,
                std::vector<std::string>& problems) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    problems.push_back(folder.string() + ": cannot read this folder: " + ec.message());
    return;
  }
  struct Entry {
    std::string name;
    fs::path path;
    bool isFolder;
  };
  std::vector<Entry> entries;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) {
      problems.push_back(folder.string() + ": cannot read this folder: " + ec.message());
      break;
    }
    const fs::directory_entry& entry = *it;
    std::error_code kindError;
    if (entry.is_symlink(kindError) && entry.is_directory(kindError)) continue;
    if (entry.is_directory(kindError)) {
      if (recursive) entries.push_back({entry.path().filename().native(), entry.path(), true});
    } else if (entry.is_regular_file(kindError) && IsHodName(entry.path())) {
      entries.push_back({entry.path().filename().native(), entry.path(), false});
    }
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  for (Entry& entry : entries) {
    if (entry.isFolder) {
      ScanFolder(entry.path, relative / entry.name, recursive, found, problems);
    } else {
      found.push_back({std::move(entry.path), relative / entry.name});
    }
  }
}

// The progress bar on a terminal: files printed of all files.
class ProgressBar {
 public:
  ProgressBar(std::FILE* err, std::size_t total, bool show) : err_(err), total_(total), show_(show && total > 0) {}

  void Draw(std::size_t done) {
    if (!show_) return;
    constexpr int kWidth = 30;
    const auto filled = static_cast<int>(done * kWidth / total_);
    std::fprintf(err_, "\r[%.*s%*s] %zu/%zu files", filled, "##############################", kWidth - filled, "", done,
                 total_);
    std::fflush(err_);
    drawn_ = true;
  }
  void Clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    drawn_ = false;
  }

 private:
  std::FILE* err_;
  std::size_t total_;
  bool show_;
  bool drawn_ = false;
};

// Each line of `text` with the file's path in front.
std::string WithPath(const std::string& path, const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    out += path + ": ";
    out.append(text, start, end - start);
    start = end;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

FileResult RunJob(const FileJob& job, const BatchInput& input) {
  try {
    return job(input);
  } catch (const std::exception& e) {
    return FileResult{{}, std::string("starquill: ") + e.what() + "\n", FileVerdict::Unreadable, 2};
  }
}

}  // namespace

BatchInputs CollectInputs(const std::vector<std::string>& arguments, bool recursive) {
  BatchInputs inputs;
  inputs.batch = arguments.size() > 1;
  for (const std::string& argument : arguments) {
    std::error_code ec;
    if (!fs::is_directory(argument, ec)) {
      inputs.files.push_back({inputs.files.size(), argument, argument, false, fs::path(argument).filename()});
      continue;
    }
    inputs.batch = true;
    std::vector<FoundFile> found;
    const std::size_t problemsBefore = inputs.problems.size();
    ScanFolder(argument, fs::path(), recursive, found, inputs.problems);
    if (found.empty() && inputs.problems.size() == problemsBefore) {
      inputs.problems.push_back(
          argument + (recursive ? ": no HOD files in this folder or below it" : ": no HOD files in this folder"));
    }
    for (FoundFile& file : found) {
      inputs.files.push_back({inputs.files.size(), std::move(file.path), argument, true, std::move(file.relative)});
    }
  }
  return inputs;
}

CapturedOutput::CapturedOutput() {
  out_ = ::open_memstream(&outText_, &outSize_);
  err_ = ::open_memstream(&errText_, &errSize_);
  if (out_ == nullptr || err_ == nullptr) {
    if (out_ != nullptr) std::fclose(out_);
    if (err_ != nullptr) std::fclose(err_);
    std::free(outText_);
    std::free(errText_);
    throw std::bad_alloc();
  }
}

CapturedOutput::~CapturedOutput() {
  if (out_ != nullptr) std::fclose(out_);
  if (err_ != nullptr) std::fclose(err_);
  std::free(outText_);
  std::free(errText_);
}

FileResult CapturedOutput::Finish(FileVerdict verdict, int status) {
  std::fclose(out_);
  std::fclose(err_);
  out_ = err_ = nullptr;
  FileResult result;
  result.out.assign(outText_ != nullptr ? outText_ : "", outSize_);
  result.err.assign(errText_ != nullptr ? errText_ : "", errSize_);
  result.verdict = verdict;
  result.status = status;
  return result;
}

std::string SummaryLine(const BatchTally& tally) {
  return std::to_string(tally.files) + (tally.files == 1 ? " file: " : " files: ") + std::to_string(tally.clean) +
         " clean, " + std::to_string(tally.warnings) + " with warnings, " + std::to_string(tally.errors) +
         " with errors, " + std::to_string(tally.unreadable) + " unreadable";
}

BatchTally RunBatch(const BatchInputs& inputs, unsigned jobs, const FileJob& job, CliStreams streams,
                    std::string_view between) {
  BatchTally tally;
  for (const std::string& problem : inputs.problems) std::fprintf(streams.err, "%s\n", problem.c_str());
  tally.files = inputs.problems.size();
  tally.unreadable = inputs.problems.size();
  if (!inputs.problems.empty()) tally.status = 2;

  const std::size_t n = inputs.files.size();
  if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
  const auto threads = static_cast<std::size_t>(std::min<std::size_t>(jobs, n));
  ProgressBar bar(streams.err, n, inputs.batch && ::isatty(::fileno(streams.err)) != 0);

  auto print = [&](std::size_t i, const FileResult& result) {
    bar.Clear();
    if (i > 0 && !between.empty()) std::fwrite(between.data(), 1, between.size(), streams.out);
    std::fwrite(result.out.data(), 1, result.out.size(), streams.out);
    std::fflush(streams.out);
    const std::string err = inputs.batch ? WithPath(inputs.files[i].path.string(), result.err) : result.err;
    std::fwrite(err.data(), 1, err.size(), streams.err);
    ++tally.files;
    switch (result.verdict) {
      case FileVerdict::Clean:
        ++tally.clean;
        break;
      case FileVerdict::Warnings:
        ++tally.warnings;
        break;
      case FileVerdict::Errors:
        ++tally.errors;
        break;
      case FileVerdict::Unreadable:
        ++tally.unreadable;
        break;
    }
    tally.status = std::max(tally.status, result.status);
    bar.Draw(i + 1);
  };

  if (threads <= 1) {
    for (std::size_t i = 0; i < n; ++i) print(i, RunJob(job, inputs.files[i]));
  } else {
    // Workers take the files in order; a worker waits while the outputs not yet
    // printed fill the window, so a slow file holds back at most that many. The
    // worker that finishes the file next in line prints it and every finished one
    // behind it; the others go on working. This thread is one of the workers.
    const std::size_t window = 8 * threads;
    std::vector<std::optional<FileResult>> done(n);
    std::mutex mutex;
    std::condition_variable windowOpen;
    std::size_t next = 0, printed = 0, waiting = 0;
    bool printing = false;
    auto work = [&] {
      std::unique_lock lock(mutex);
      for (;;) {
        while (next < n && next >= printed + window) {
          ++waiting;
          windowOpen.wait(lock);
          --waiting;
        }
        if (next >= n) return;
        const std::size_t i = next++;
        lock.unlock();
        FileResult result = RunJob(job, inputs.files[i]);
        lock.lock();
        done[i] = std::move(result);
        if (printing) continue;  // the printer finds it
        printing = true;
        while (printed < n && done[printed].has_value()) {
          FileResult ready = std::move(*done[printed]);
          done[printed].reset();
          const std::size_t at = printed++;
          const bool wake = waiting > 0;
          lock.unlock();
          if (wake) windowOpen.notify_all();  // outside the lock: a woken worker need not wait for it
          print(at, ready);
          lock.lock();
        }
        printing = false;
      }
    };
#if defined(__GLIBC__)
    // Memory a file's walk gives back stays the program's for the next file.
    // Returned to the system, every page handed back stops the other workers
    // for a moment (their view of the memory is cleared), and every page taken
    // again is a fault: with two workers that cost check -j2 a fifth of its time.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    std::vector<std::jthread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
  }

  bar.Clear();
  if (inputs.batch) std::fprintf(streams.err, "%s\n", SummaryLine(tally).c_str());
  return tally;
}

}  // namespace sq
