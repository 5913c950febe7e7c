// Benchmarks of the program's main jobs, each measured against a reference taken
// on the same machine in the same run, so the figures compare as ratios whatever
// else the machine is doing. Every iteration times the reference and the job back
// to back; the best of all iterations counts (other work on the machine only ever
// makes a run slower).
//
//   model       `starquill report` on a 200 MB model  vs `cat FILE > /dev/null`   <= 2x
//               peak resident memory                  vs the file's size + 64 MiB
//   background  `starquill report` on a big background vs `cat FILE > /dev/null`  <= 3x
//   tga         `starquill tga` on an 8192 x 4096 image vs one intensity-sum pass <= 16 passes
//               peak resident memory                  vs 3 x the image's bytes
//   startup     `starquill report` on the bundled sample vs `cat` of it (shown, no target);
//               run with a window system that cannot start, so it must not start one
//   batch       `starquill check -r -j2` on 1000 generated files of mixed kinds, some
//               damaged                              vs the same with -j1             <= 0.6x
//               peak resident memory                 vs `check` on the largest alone  <= 2x
//               `starquill report -r -j2` on them    vs the same with -j1             (shown)
//               and, once, the outputs of the batch against one run a file (check's
//               lines, every report and side file): they must be the same
//   build       building a background from a 1024 x 512 sky at mesh density 2 vs the tga
//               job (load, detector, exports) on the same picture, both in this process <= 3x
//               memory the build adds, in a process of its own, vs the picture's bytes:
//               the 1024 x 512 sky at density 2, and the 8192 x 4096 sky at density
//               16, the finest that fits it                                              <= 4x
//   picture     `starquill build-background` on a PNG of the bundled sample vs on its TGA <= 1.5x
//               (and the builds alone in this process, shown)
//               an 8192 x 4096 PNG built at 1024 x 512 (--size) vs decoding it alone <= 3x
//   walk        walking and reporting a background of 32 000 point-star chunks vs eight
//               times the same for 4 000 (a walk in proportion to the file gives 1x,
//               one that grows with the square of the chunks 8x)                     <= 3x
//   preview     the CPU time per frame of the open preview, drawn straight to the
//               screen, vs each frame read back and painted as a picture (how it was
//               drawn before): the bundled sample, and the 8192 x 4096 sky built at
//               density 16; on the display scripts/bench runs under           (shown)
//   window      the window's "Load Targa image" of the 8192 x 4096 sky, from the
//               dialog's answer to the status line, vs `starquill tga` on it   <= 1.5x
//   export      `export-background` of the bundled sample to a 1024 x 512 TGA vs
//               `build-background` of the sample picture it was built from, each
//               reading its input and writing a new file, both in this process     <= 3x
//               (and each without its file: the export drawn into memory vs the
//               build alone; and the export's floor, all it does but the drawing:
//               the file read and walked, a black picture written as its TGA; shown)
//
// The inputs are made by scripts/bench; this program finds them in SQ_BENCH_DIR.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "app/build_background_command.h"
#include "app/export_background_command.h"
#include "app/platform.h"
#include "background_export/background_export.h"
#include "background_export/sky_scene.h"
#include "builder/builder.h"
#include "builder/image_buffer.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "picture/picture_read.h"
#include "picture/picture_write.h"
#include "picture/tga_header.h"
#include "report/report_rtf.h"
#include "support/sample_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path InputDir() {
  const char* dir = std::getenv("SQ_BENCH_DIR");
  return dir != nullptr ? fs::path(dir) : fs::path("build/bench");
}

struct Run {
  double seconds = 0;
  long peakKiB = 0;  // the child's peak resident set
  int status = -1;
};

// Runs a program with stdout and stderr sent to files (or /dev/null) and returns
// its wall time, peak resident memory and exit status.
Run Spawn(const std::vector<std::string>& args, const std::string& out = "/dev/null",
          const std::vector<std::string>& extraEnv = {}) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const bool replaced = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& x) {
      return entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
    });
    if (!replaced) envText.push_back(entry);
  }
  envText.insert(envText.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

  Run run;
  pid_t pid = 0;
  const auto start = Clock::now();
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
      run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      run.peakKiB = usage.ru_maxrss;
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

void CleanFolder(const fs::path& folder) {
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder);
}

// The best figures seen, kept across iterations for the summary.
struct Best {
  double job = 1e9, reference = 1e9;
  long peakKiB = 0;
  std::uintmax_t inputBytes = 0;
  std::string note;
};
std::map<std::string, Best>& Results() {
  static std::map<std::string, Best> results;
  return results;
}

void Record(benchmark::State& state, const std::string& name, double job, double reference, long peakKiB,
            std::uintmax_t inputBytes) {
  Best& best = Results()[name];
  best.job = std::min(best.job, job);
  best.reference = std::min(best.reference, reference);
  best.peakKiB = std::max(best.peakKiB, peakKiB);
  best.inputBytes = inputBytes;
  state.SetIterationTime(job);
  state.counters["ref_ms"] = reference * 1e3;
  state.counters["ratio"] = job / reference;
  state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}

// The whole report process against cat on the same (warm) file.
void ReportAgainstCat(benchmark::State& state, const std::string& name, const fs::path& hod,
                      const std::vector<std::string>& extraEnv = {}) {
  if (!fs::exists(hod)) {
    state.SkipWithError(("missing input " + hod.string() + " (run scripts/bench)").c_str());
    return;
  }
  const fs::path out = InputDir() / ("out_" + name);
  const std::uintmax_t bytes = fs::file_size(hod);
  Spawn({"/bin/cat", hod.string()});  // warm the file
  for (auto _ : state) {
    CleanFolder(out);  // side files are appended to: each run starts from none
    const Run cat = Spawn({"/bin/cat", hod.string()});
    const Run report =
        Spawn({STARQUILL_EXE, "report", hod.string(), "--out-dir", out.string()}, (out / "log").string(), extraEnv);
    if (cat.status != 0 || report.status != 0) {
      state.SkipWithError(("a run failed; see " + (out / "log").string()).c_str());
      return;
    }
    Record(state, name, report.seconds, cat.seconds, report.peakKiB, bytes);
  }
}

void BM_ModelReport(benchmark::State& state) { ReportAgainstCat(state, "model", InputDir() / "big_model.hod"); }
void BM_BackgroundReport(benchmark::State& state) {
  ReportAgainstCat(state, "background", InputDir() / "big_background.hod");
}
// A window system that cannot start: a command-line run that tried would fail.
void BM_Startup(benchmark::State& state) {
  ReportAgainstCat(state, "startup", fs::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod",
                   {"QT_QPA_PLATFORM=no-such-platform", "DISPLAY=", "WAYLAND_DISPLAY="});
}

// One plain pass over the pixels: intensitySum = blue + green + red.
double IntensityPass(const uint8_t* pixels, std::size_t count, int16_t* sum) {
  const auto start = Clock::now();
  for (std::size_t i = 0; i < count; ++i, pixels += 4) {
    sum[i] = static_cast<int16_t>(pixels[0] + pixels[1] + pixels[2]);
  }
  benchmark::ClobberMemory();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A child's peak resident figure starts from what its parent held when it was
// started (the child shares the parent's memory until it loads the program). So
// the memory of the tga run is taken before this process loads the image, and the
// benchmarks that spawn run before this one.
void BM_Tga(benchmark::State& state) {
  const fs::path image = InputDir() / "big_sky.tga";
  const fs::path out = InputDir() / "out_tga";
  CleanFolder(out);
  const long peakKiB = Spawn({STARQUILL_EXE, "tga", image.string(), "--out-dir", out.string()}).peakKiB;
  std::string error;
  const auto file = sq::ReadWholeFile(image, error);
  if (!file || file->size() < sq::kTgaHeaderSize) {
    state.SkipWithError(("missing input " + image.string() + " (run scripts/bench)").c_str());
    return;
  }
  const sq::TgaHeader header = sq::ParseTgaHeader(std::span(*file).first<sq::kTgaHeaderSize>());
  const std::size_t pixels = std::size_t{header.width} * header.height;
  const std::size_t offset = sq::kTgaHeaderSize + header.idLength;
  if (file->size() < offset + pixels * 4) {
    state.SkipWithError("the image is shorter than its header says");
    return;
  }
  sq::ImageBuffer<int16_t> sum(pixels);
  std::fill(sum.begin(), sum.end(), int16_t{0});  // touched once, so the pass measures the sweep alone
  for (auto _ : state) {
    CleanFolder(out);  // side files are appended to: each run starts from none
    double pass = 1e9;
    for (int k = 0; k < 3; ++k) pass = std::min(pass, IntensityPass(file->data() + offset, pixels, sum.data()));
    const Run tga = Spawn({STARQUILL_EXE, "tga", image.string(), "--out-dir", out.string()}, (out / "log").string());
    if (tga.status != 0) {
      state.SkipWithError(("the tga run failed; see " + (out / "log").string()).c_str());
      return;
    }
    Record(state, "tga", tga.seconds, pass, peakKiB, pixels * 4);
  }
}

// ---------------------------------------------------------------------------
// Batch runs: 1000 files of five kinds in ten folders.

constexpr int kBatchFiles = 1000;

fs::path BatchDir() { return InputDir() / "batch"; }

void WriteFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Backgrounds of eight meshes of 1000 to 4000 vertices (their indices are
// checked), models with meshes of 2000 to 40 000 faces (their index lists are read) and
// every detail item, backgrounds cut short, files with a refused count, and
// models of an unusual version.
void MakeBatch() {
  using sqsupport::Bytes;
  CleanFolder(BatchDir());
  for (int i = 0; i < kBatchFiles; ++i) {
    const fs::path folder = BatchDir() / ("part" + std::to_string(i / 100));
    fs::create_directories(folder);
    const int n = 1000 + (i * 37) % 3000;
    Bytes meshes;
    for (int m = 0; m < 8; ++m) {
      std::vector<int16_t> indices;
      for (int k = 0; k < n - 2; ++k) {
        for (int c = 0; c < 3; ++c) indices.push_back(static_cast<int16_t>((k + c * m + c) % n));
      }
      meshes.Add(sqsupport::BackgroundMesh(n, 514, indices));
    }
    const Bytes sky = Bytes().Add(sqsupport::Vers(1000)).Add(sqsupport::Form("BGMS", meshes));
    Bytes visual = sqsupport::VisualPart();
    visual.Add(sqsupport::Mult("Hull", {sqsupport::Faces(0, 10 * n), sqsupport::Faces(1, 3 * n)}));
    visual.Add(sqsupport::Mult("Turret", {sqsupport::Faces(0, 5 * n), sqsupport::Faces(1, 2 * n)}));
    Bytes file;
    switch (i % 5) {
      case 0:
        file = sky;
        break;
      case 1:
        file.Add(sqsupport::Vers(512)).Add(sqsupport::Form("HVMD", visual));
        file.Add(sqsupport::Form("DTRM", sqsupport::DetailPart()));
        break;
      case 2:
        file.Raw(sky.vec().data(), sky.size() * static_cast<std::size_t>(1 + i % 7) / 8);
        break;
      case 3:
        file.Add(sky).Tag("NRML").BE32(12).Tag("STRF").BE32(1000).I32(0x7FFFFFFF);
        break;
      default:
        file.Add(sqsupport::Vers(513)).Add(sqsupport::Form("HVMD", visual));
        break;
    }
    WriteFileBytes(folder / ("f" + std::to_string(i) + ".hod"), file.vec());
  }
}

// The largest file of the batch.
fs::path LargestOfBatch() {
  fs::path largest;
  std::uintmax_t size = 0;
  for (const auto& entry : fs::recursive_directory_iterator(BatchDir())) {
    if (entry.is_regular_file() && entry.file_size() > size) {
      size = entry.file_size();
      largest = entry.path();
    }
  }
  return largest;
}

std::uintmax_t BatchBytes() {
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(BatchDir())) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  return bytes;
}

// check finds errors in the damaged files: status 1 is its answer, not a failure.
bool CheckRan(const Run& run) { return run.status == 0 || run.status == 1; }

void BM_BatchCheck(benchmark::State& state) {
  MakeBatch();
  const fs::path out = InputDir() / "out_batch";
  CleanFolder(out);
  const Run largest = Spawn({STARQUILL_EXE, "check", LargestOfBatch().string()});
  Best& memory = Results()["batch memory"];
  memory.job = 0;  // the highest peak of the -j2 runs, in KiB
  memory.reference = static_cast<double>(largest.peakKiB);
  for (auto _ : state) {
    const Run one = Spawn({STARQUILL_EXE, "check", "-r", "-j1", BatchDir().string()}, (out / "one").string());
    const Run two = Spawn({STARQUILL_EXE, "check", "-r", "-j2", BatchDir().string()}, (out / "two").string());
    if (!CheckRan(one) || !CheckRan(two) || !CheckRan(largest)) {
      state.SkipWithError("a check run failed");
      return;
    }
    Record(state, "batch", two.seconds, one.seconds, two.peakKiB, BatchBytes());
    memory.job = std::max(memory.job, static_cast<double>(two.peakKiB));
  }
}

void BM_BatchReport(benchmark::State& state) {
  const fs::path out = InputDir() / "out_batch_report";
  for (auto _ : state) {
    CleanFolder(out);
    const Run one =
        Spawn({STARQUILL_EXE, "report", "-r", "-j1", BatchDir().string(), "--out-dir", (out / "one").string()},
              (out / "one.log").string());
    const Run two =
        Spawn({STARQUILL_EXE, "report", "-r", "-j2", BatchDir().string(), "--out-dir", (out / "two").string()},
              (out / "two.log").string());
    if (one.status != 0 || two.status != 0) {
      state.SkipWithError(("a report run failed; see " + (out / "one.log").string()).c_str());
      return;
    }
    Record(state, "batch report", two.seconds, one.seconds, two.peakKiB, BatchBytes());
  }
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below a folder and its bytes, by its path below the folder.
std::map<std::string, std::string> FolderTree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().lexically_relative(folder).string()] = FileText(entry.path());
  }
  return files;
}

// The batch's outputs against one run a file, in the batch's order: check's
// lines, and every report and side file in the folder the batch gives the file.
void BM_BatchSameAsSingleRuns(benchmark::State& state) {
  const fs::path out = InputDir() / "out_batch_same";
  for (auto _ : state) {
    CleanFolder(out);
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(BatchDir())) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::string single;
    for (const fs::path& file : files) {
      const fs::path relative = file.lexically_relative(BatchDir());
      const fs::path folder = out / "single" / relative.parent_path() / relative.stem();
      fs::create_directories(folder);
      Spawn({STARQUILL_EXE, "check", file.string()}, (out / "line").string());
      single += FileText(out / "line");
      Spawn({STARQUILL_EXE, "report", file.string(), "--out-dir", folder.string()});
    }
    Spawn({STARQUILL_EXE, "check", "-r", "-j2", BatchDir().string()}, (out / "batch_lines").string());
    Spawn({STARQUILL_EXE, "report", "-r", "-j2", BatchDir().string(), "--out-dir", (out / "batch").string()});
    // The batch's stdout ends with nothing but the lines; its summary is on stderr, which
    // Spawn joins to stdout: keep the lines that name a file.
    std::string lines;
    std::istringstream batchOut(FileText(out / "batch_lines"));
    for (std::string line; std::getline(batchOut, line);) {
      if (line.rfind(BatchDir().string(), 0) == 0) lines += line + "\n";
    }
    std::string singleLines;
    std::istringstream singleOut(single);
    for (std::string line; std::getline(singleOut, line);) {
      if (line.rfind(BatchDir().string(), 0) == 0) singleLines += line + "\n";
    }
    const bool same =
        files.size() == kBatchFiles && lines == singleLines && FolderTree(out / "single") == FolderTree(out / "batch");
    Best& result = Results()["batch same"];
    result.job = same ? 1 : 0;
    result.note = std::to_string(files.size()) + " files, " +
                  std::to_string(std::count(lines.begin(), lines.end(), '\n')) + " check lines, " +
                  std::to_string(FolderTree(out / "batch").size()) + " report files";
    state.SetIterationTime(1);
  }
}

// Progress nobody watches.
sq::NoProgress noProgress;

// A platform that shows nothing and answers No.
class QuietPlatform : public sq::Platform {
 public:
  void ShowMessage(std::string_view, std::string_view, sq::MessageIcon) override {}
  bool AskYesNo(std::string_view, std::string_view, sq::MessageIcon, bool) override { return false; }
  void SetProgress(int, int) override {}
  void DoEvents() override {}
};

sq::BuildOptions Density(int density) {
  sq::BuildOptions o;
  o.density = density;
  return o;
}

// The build against the tga job on the same 1024 x 512 picture, back to back in
// this process (the file warm for both).
void BM_Build(benchmark::State& state) {
  const fs::path image = InputDir() / "sky.tga";
  const fs::path out = InputDir() / "out_build";
  if (!fs::exists(image)) {
    state.SkipWithError(("missing input " + image.string() + " (run scripts/bench)").c_str());
    return;
  }
  QuietPlatform platform;
  for (auto _ : state) {
    CleanFolder(out);  // the tga job's side files are appended to: each run starts from none
    auto start = Clock::now();
    {
      sq::TgaTables tables;
      sq::DiskFolder outFolder(out);
      const sq::TgaLoadResult loaded = sq::LoadSkyImage(sq::OpenPictureFile(image), outFolder, tables, noProgress);
      benchmark::DoNotOptimize(loaded.outputs.written.size());
    }
    const double tga = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    const sq::BuiltBackground built = sq::BuildBackgroundFromFile(sq::OpenPictureFile(image), Density(2), noProgress);
    const double build = std::chrono::duration<double>(Clock::now() - start).count();
    if (!built.Built()) {
      state.SkipWithError("the build was refused");
      return;
    }
    Record(state, "build", build, tga, 0, fs::file_size(image));
  }
}

// A PNG of a picture the bench was given, made once with our writer.
fs::path PngOf(const fs::path& picture, const fs::path& png) {
  if (fs::exists(png)) return png;
  QuietPlatform platform;
  sq::TgaTables tables;
  if (sq::ReadSkyPicture(sq::OpenPictureFile(picture), tables, noProgress).status != sq::TgaLoadResult::Status::Loaded)
    return {};
  const std::string bytes = sq::EncodePng(sq::PictureOfTables(tables));
  std::ofstream(png, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return png;
}

// Building from a PNG of the bundled sample against building from its TGA; and
// a PNG of the 8192 x 4096 sky built at 1024 x 512 against decoding that PNG
// alone (into a buffer of the builder's kind). Each pair back to back in this
// process, the files warm.
void BM_PictureBuild(benchmark::State& state) {
  const fs::path sample = fs::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.tga";
  const fs::path samplePng = PngOf(sample, InputDir() / "sample_sky.png");
  const fs::path bigPng = PngOf(InputDir() / "big_sky.tga", InputDir() / "big_sky.png");
  if (samplePng.empty() || bigPng.empty()) {
    state.SkipWithError("missing input big_sky.tga (run scripts/bench)");
    return;
  }
  QuietPlatform platform;
  sq::SkySource big;
  big.files = {sq::OpenPictureFile(bigPng)};
  big.width = 1024;
  big.height = 512;
  const fs::path out = InputDir() / "out_picture";
  CleanFolder(out);
  const auto command = [&](const fs::path& picture) {
    return Spawn({STARQUILL_EXE, "build-background", picture.string(), "--out-dir", out.string()});
  };
  for (auto _ : state) {
    // The commands as a user runs them, then the builds alone in this process.
    const Run tgaRun = command(sample), pngRun = command(samplePng);
    auto start = Clock::now();
    const bool fromTga = sq::BuildBackgroundFromFile(sq::OpenPictureFile(sample), {}, noProgress).Built();
    const double tga = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    const bool fromPng = sq::BuildBackgroundFromFile(sq::OpenPictureFile(samplePng), {}, noProgress).Built();
    const double png = std::chrono::duration<double>(Clock::now() - start).count();

    start = Clock::now();
    {
      std::string error;
      const auto bytes = sq::FileBytes::Open(bigPng, error);
      std::unique_ptr<sq::PictureDecoder> decoder = sq::OpenPicture(bytes->Bytes(), error);
      sq::ImageBuffer<uint8_t> pixels;
      pixels.resize(static_cast<std::size_t>(decoder->Header().width) * decoder->Header().height * 4);
      error = decoder->Decode(pixels.data(), sq::LinearEncoder());
      benchmark::DoNotOptimize(error.size());
    }
    const double decode = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    const bool fromBig = sq::BuildBackgroundFromSky(big, {}, noProgress).Built();
    const double build = std::chrono::duration<double>(Clock::now() - start).count();
    if (!fromTga || !fromPng || !fromBig || tgaRun.status != 0 || pngRun.status != 0) {
      state.SkipWithError("a build was refused");
      return;
    }
    Record(state, "png sample", pngRun.seconds, tgaRun.seconds, 0, fs::file_size(samplePng));
    Record(state, "png sample in process", png, tga, 0, fs::file_size(samplePng));
    Record(state, "png size", build, decode, 0, fs::file_size(bigPng));
  }
}

// Fields of /proc/self/status in KiB (VmRSS, VmHWM), or -1.
long StatusKiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  }
  return -1;
}

// In a process of its own (the bench program started again with --build-memory):
// builds IMAGE at DENSITY and prints the resident memory the build added at its
// peak, in bytes. The peak mark is reset first, so only what the build holds at
// once counts.
int BuildMemoryChild(const char* image, int density) {
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before = StatusKiB("VmRSS");
  QuietPlatform platform;
  const sq::BuiltBackground built =
      sq::BuildBackgroundFromFile(sq::OpenPictureFile(image), Density(density), noProgress);
  const long peak = StatusKiB("VmHWM");
  if (!built.Built() || before < 0 || peak < before) return 1;
  std::printf("%ld\n", (peak - before) * 1024L);
  return 0;
}

// The picture's bytes (width x height x 4) from a TGA header.
std::uintmax_t PictureBytes(const fs::path& image) {
  std::ifstream in(image, std::ios::binary);
  std::array<unsigned char, 18> h{};
  in.read(reinterpret_cast<char*>(h.data()), h.size());
  return std::uintmax_t(h[12] | h[13] << 8) * std::uintmax_t(h[14] | h[15] << 8) * 4;
}

// The build's memory, measured in a child: the 1024 x 512 sky at density 2 and
// the 8192 x 4096 one at the finest density that fits it (16).
void BM_BuildMemory(benchmark::State& state) {
  const std::vector<std::pair<std::string, int>> cases = {{"sky.tga", 2}, {"big_sky.tga", 16}};
  for (auto _ : state) {
    for (const auto& [name, density] : cases) {
      const fs::path image = InputDir() / name, log = InputDir() / ("build_memory_" + name + ".txt");
      const Run run =
          Spawn({"/proc/self/exe", "--build-memory", image.string(), std::to_string(density)}, log.string());
      std::ifstream in(log);
      long growth = -1;
      if (run.status != 0 || !(in >> growth)) {
        state.SkipWithError(("the build of " + image.string() + " failed; see " + log.string()).c_str());
        return;
      }
      Record(state, "build memory " + name, run.seconds, run.seconds, growth / 1024, PictureBytes(image));
    }
  }
}

// The writer's background shape with no meshes and n point-star chunks (of none to
// two stars each), walked and reported in this process: the time a file of eight
// times the chunks takes against eight times that of the smaller one.
std::vector<uint8_t> LongBackground(int chunks) { return sqsupport::FullBackgroundHod(0, chunks).vec(); }

double SecondsToWalkAndReport(const std::vector<uint8_t>& file) {
  const auto start = Clock::now();
  sq::Model model;
  const sq::WalkResult walked = sq::WalkHodBytes(file, model);
  benchmark::DoNotOptimize(sq::BuildReport(model, "long").size());
  return walked.failed ? -1 : std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_WalkScaling(benchmark::State& state) {
  const auto small = LongBackground(4000), large = LongBackground(32000);
  for (auto _ : state) {
    const double tSmall = SecondsToWalkAndReport(small), tLarge = SecondsToWalkAndReport(large);
    if (tSmall < 0 || tLarge < 0) {
      state.SkipWithError("a long background did not walk to its end");
      return;
    }
    Record(state, "walk", tLarge, 8 * tSmall, 0, large.size());
  }
}

// CPU seconds per frame of a preview of `file` painted in `mode` for three
// seconds, in a process of its own; negative when it failed.
double PreviewCpuPerFrame(const fs::path& file, const std::string& mode, const fs::path& log) {
#ifdef PREVIEW_CPU
  const Run run = Spawn({PREVIEW_CPU, file.string(), mode, "3"}, log.string());
  // The figures are the last line; a warning the picture draws may come before.
  std::ifstream in(log);
  std::string line, last;
  while (std::getline(in, line)) {
    if (!line.empty()) last = line;
  }
  std::istringstream figures(last);
  double cpu = 0;
  int frames = 0;
  if (run.status != 0 || !(figures >> cpu >> frames) || frames <= 0) return -1;
  return cpu / frames;
#else
  (void)file, (void)mode, (void)log;
  return -1;
#endif
}

void BM_PreviewCpu(benchmark::State& state) {
  const std::vector<std::pair<std::string, fs::path>> cases = {
      {"preview sample", fs::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod"},
      {"preview large", InputDir() / "big_sky.tga"}};
  for (auto _ : state) {
    for (const auto& [name, file] : cases) {
      const fs::path log = InputDir() / ("preview_cpu_" + file.filename().string() + ".txt");
      const double direct = PreviewCpuPerFrame(file, "direct", log);
      const double readBack = PreviewCpuPerFrame(file, "readback", log);
      if (direct < 0 || readBack < 0) {
        state.SkipWithError(
            ("the preview of " + file.string() + " did not run (a display?); see " + log.string()).c_str());
        return;
      }
      Record(state, name, direct, readBack, 0, 0);
    }
  }
}

// The window's "Load Targa image" of the 8192 x 4096 sky, from the dialog's
// answer to the status line (in a process of its own, on the display), against
// `starquill tga` on it, whole process; both write their outputs into a clean
// folder of their own.
void BM_WindowLoad(benchmark::State& state) {
#ifdef WINDOW_LOAD
  const fs::path image = InputDir() / "big_sky.tga";
  const fs::path windowOut = InputDir() / "out_window", cliOut = InputDir() / "out_tga";
  const fs::path log = InputDir() / "window_load.txt";
  for (auto _ : state) {
    CleanFolder(windowOut);
    CleanFolder(cliOut);
    fs::create_hard_link(image, windowOut / image.filename());
    const Run window = Spawn({WINDOW_LOAD, (windowOut / image.filename()).string()}, log.string());
    std::ifstream in(log);
    double seconds = -1;
    for (std::string line; std::getline(in, line);) {
      char* end = nullptr;
      const double figure = std::strtod(line.c_str(), &end);
      if (end != line.c_str() && *end == '\0') seconds = figure;  // the figure's line, not a message
    }
    const Run tga = Spawn({STARQUILL_EXE, "tga", image.string(), "--out-dir", cliOut.string()});
    if (window.status != 0 || seconds < 0 || tga.status != 0) {
      state.SkipWithError(("the window's load did not finish (a display?); see " + log.string()).c_str());
      return;
    }
    Record(state, "window load", seconds, tga.seconds, 0, 0);
  }
#else
  state.SkipWithError("built without the window");
#endif
}

BENCHMARK(BM_ModelReport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BackgroundReport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Startup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BatchCheck)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);
BENCHMARK(BM_BatchReport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchSameAsSingleRuns)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Tga)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_BuildMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Build)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_WalkScaling)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PictureBuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_PreviewCpu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WindowLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// export-background of the bundled sample to a 1024 x 512 TGA (the file read,
// walked, drawn and written) against build-background of the sample picture with
// the options the sample was built with (the picture read, the background built
// and written as a HOD), back to back in this process; and each without its
// file: the export drawn into memory, the build alone.
void BM_Export(benchmark::State& state) {
  const fs::path source = STARQUILL_SOURCE_DIR;
  const fs::path hod = source / "data/samples/sky.hod", picture = source / "data/samples/sky.tga";
  const fs::path out = InputDir() / "out_export";
  QuietPlatform platform;
  sq::BuildOptions options = Density(4);
  options.colourAverage = true;
  sq::TgaReadOptions read;
  read.showSizeWarning = false;
  sq::ExportRequest request;
  request.format = sq::ExportFormat::Tga;
  auto seconds = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
  for (auto _ : state) {
    // Each iteration writes new files, as the report rows do: replacing the last
    // iteration's would also time the file system freeing them, which grows with
    // the size replaced (2 MB for the export, 1.1 MB for the build), not with
    // the work of either command.
    CleanFolder(out);
    auto start = Clock::now();
    const sq::BuildBackgroundOutcome built = sq::BuildBackgroundCommand(picture, out, options, platform);
    const double build = seconds(start);
    start = Clock::now();
    const sq::ExportBackgroundOutcome exported =
        sq::ExportBackgroundCommand(hod, out / "sky.tga", sq::ExportOptions{}, platform);
    const double job = seconds(start);

    start = Clock::now();
    const sq::BuiltBackground builtAlone =
        sq::BuildBackgroundFromFile(sq::OpenPictureFile(picture), options, noProgress, read);
    const double buildAlone = seconds(start);
    start = Clock::now();
    std::string error;
    sq::Model model;
    sq::WalkHodFile(sq::FileBytes::Open(hod, error), model);
    const sq::SkyScene scene = sq::SceneOfModel(model);
    sq::MemoryFolder memory;
    const sq::ExportResult drawn = sq::ExportBackground(scene, request, "sky.tga", memory);
    const double jobAlone = seconds(start);
    // The export's floor: all but the drawing. The file read and walked and the
    // scene gathered, a black picture of the export's size written as its TGA.
    start = Clock::now();
    sq::Model floorModel;
    sq::WalkHodFile(sq::FileBytes::Open(hod, error), floorModel);
    const sq::SkyScene floorScene = sq::SceneOfModel(floorModel);
    sq::Picture black;
    black.width = request.width, black.height = request.height;
    black.bgra.assign(black.PixelCount() * 4, 0);
    sq::DiskFolder folder(out);
    const std::string floorError = folder.Replace("floor.tga", sq::EncodeExportPicture(black, sq::ExportFormat::Tga));
    const double floor = seconds(start);
    if (built.status != sq::CommandOutcome::Status::Written || exported.status != sq::CommandOutcome::Status::Written ||
        !builtAlone.Built() || drawn.written.size() != 1 || floorScene.meshes.empty() || !floorError.empty()) {
      state.SkipWithError("the build or the export failed");
      return;
    }
    Record(state, "export in memory", jobAlone, buildAlone, 0, 0);
    Record(state, "export floor", floor, build, 0, 0);
    Record(state, "export", job, build, 0, fs::file_size(hod));
  }
}
BENCHMARK(BM_Export)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

// The summary: each best figure beside its best reference, the ratio and the target.
bool PrintSummary() {
  bool allMet = true;
  std::printf("\nBest of the iterations above (other work on the machine only slows a run):\n");
  std::printf("%-34s %11s %22s %9s %10s\n", "job", "figure", "reference", "ratio", "target");
  auto line = [&](const char* job, const std::string& figure, const std::string& reference, double ratio, double target,
                  const char* unit) {
    const bool met = target <= 0 || ratio <= target;
    allMet = allMet && met;
    char number[32];
    std::snprintf(number, sizeof number, "%g", target);
    std::string goal = target > 0 ? "<= " + std::string(number) + unit : "(shown)";
    std::printf("%-34s %11s %22s %8.2f%s %10s %s\n", job, figure.c_str(), reference.c_str(), ratio, unit, goal.c_str(),
                target <= 0 ? ""
                : met       ? "met"
                            : "MISSED");
  };
  auto ms = [](double s) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f ms", s * 1e3);
    return std::string(b);
  };
  auto mib = [](double bytes) {
    char b[32];
    std::snprintf(b, sizeof b, "%.0f MiB", bytes / 1048576.0);
    return std::string(b);
  };
  auto& r = Results();
  // A row of a time against a reference time, when the run measured it.
  auto timed = [&](const char* key, const char* job, const char* reference, double target) {
    if (!r.count(key)) return;
    const Best& b = r[key];
    line(job, ms(b.job), std::string(reference) + " " + ms(b.reference), b.job / b.reference, target, "x");
  };
  timed("model", "report, model HOD", "cat", 2);
  if (r.count("model")) {
    const Best& b = r["model"];
    const double limit = static_cast<double>(b.inputBytes) + 64.0 * 1048576.0;
    line("  peak resident memory", mib(b.peakKiB * 1024.0), "file+64 MiB = " + mib(limit), b.peakKiB * 1024.0 / limit,
         1, "x");
  }
  timed("background", "report, background HOD", "cat", 3);
  if (r.count("tga")) {
    const Best& b = r["tga"];
    line("tga, 8192 x 4096 image", ms(b.job), "one pass " + ms(b.reference), b.job / b.reference, 16, " passes");
    const double limit = 3.0 * static_cast<double>(b.inputBytes);
    line("  peak resident memory", mib(b.peakKiB * 1024.0), "3 x image = " + mib(limit), b.peakKiB * 1024.0 / limit, 1,
         "x");
  }
  timed("batch", "check, 1000 files, -j2", "-j1", 0.6);
  if (r.count("batch memory")) {
    const Best& b = r["batch memory"];
    line("  peak resident, -j2 batch", mib(b.job * 1024.0), "largest alone " + mib(b.reference * 1024.0),
         b.job / b.reference, 2, "x");
  }
  timed("batch report", "report, 1000 files, -j2", "-j1", 0);
  if (r.count("batch same")) {
    const Best& b = r["batch same"];
    const bool same = b.job == 1;
    allMet = allMet && same;
    std::printf("%-34s %s (%s)\n", "batch outputs = one run a file", same ? "same" : "DIFFERENT", b.note.c_str());
  }
  timed("build", "build, 1024 x 512 at density 2", "tga job", 3);
  for (const char* name : {"sky.tga", "big_sky.tga"}) {
    const std::string key = std::string("build memory ") + name;
    if (!r.count(key)) continue;
    const Best& b = r[key];
    const double added = b.peakKiB * 1024.0, picture = static_cast<double>(b.inputBytes);
    const bool large = name == std::string("big_sky.tga");
    line(large ? "  memory added, 8192 x 4096, dens. 16" : "  memory added, 1024 x 512, density 2", mib(added),
         "picture " + mib(picture), added / picture, 4, "x");
  }
  timed("png sample", "build-background, sample as PNG", "its TGA", 1.5);
  timed("png sample in process", "  the builds alone, in process", "its TGA", 0);
  timed("png size", "8192 x 4096 PNG, --size 1024x512", "decode alone", 3);
  timed("export", "export-background, sample, 1024x512", "its build", 3);
  timed("export in memory", "  each without its file", "build", 0);
  timed("export floor", "  the export's floor, nothing drawn", "its build", 0);
  timed("walk", "walk, 32 000 point-star chunks", "8 x 4 000", 3);
  timed("window load", "window: Load Targa, 8192 x 4096", "starquill tga", 1.5);
  timed("preview sample", "preview CPU a frame, the sample", "read back", 0);
  timed("preview large", "  8192 x 4096 built at density 16", "read back", 0);
  timed("startup", "start-up, report on the sample", "cat", 0);
  return allMet;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--build-memory") return BuildMemoryChild(argv[2], std::atoi(argv[3]));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return PrintSummary() ? 0 : 1;
}
