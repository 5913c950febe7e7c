// The page's way into the core: the report, check, dump and build flows over
// bytes handed in from JavaScript, each answering with what the command line
// would print and write for a file of that name. A plain C interface of handles:
//
//   sq_input_new(size) -> input; sq_input_data(input) -> where its bytes go
//   sq_report / sq_check / sq_dump / sq_build / sq_export(input, ...) -> result
//     (each takes the input over and frees it)
//   sq_result_*: the exit status, stdout's and stderr's text, and named blobs:
//     the files written, then the preview's vertex lists (sq_result_view_*)
//   sq_result_free(result)
//
// The input's bytes are handed to the flows as they are, without a copy, so a
// file in the page costs its own size once, as a mapped file does natively;
// every flow writes into a MemoryFolder whose files come back in the result.
// The core keeps no file system of its own.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/build_background_command.h"
#include "app/check_command.h"
#include "app/cli_platform.h"
#include "app/dump_command.h"
#include "app/export_background_command.h"
#include "app/report_command.h"
#include "builder/background_options.h"
#include "hod/file_bytes.h"
#include "output/output_folder.h"
#include "preview/preview_lists.h"

namespace {

using sq::FileBytes;

struct Blob {
  std::string name;
  std::string bytes;
};

struct Result {
  int status = 0;
  std::string out;  // what the command prints on stdout
  std::string err;  // and on stderr
  std::vector<Blob> files;
  std::vector<Blob> views;  // the preview's lists: "mesh", "stars", "starmap1", "starmap2"
  int background = 0;       // check: the file is a background, not a model
};

// A stream that collects what is written to it, for the command line's
// Platform and lines: memory the stream grows, read once it is closed.
class TextSink {
 public:
  TextSink() : file_(open_memstream(&data_, &size_)) {}
  TextSink(const TextSink&) = delete;
  TextSink& operator=(const TextSink&) = delete;
  ~TextSink() {
    if (file_ != nullptr) std::fclose(file_);
    std::free(data_);
  }
  std::FILE* file() const { return file_; }
  std::string Take() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    std::string text = data_ != nullptr ? std::string(data_, size_) : std::string();
    std::free(data_);
    data_ = nullptr;
    return text;
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

template <typename T>
std::string BytesOf(const std::vector<T>& items) {
  return std::string(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T));
}

void AddViews(const sq::PreviewLists& lists, Result& result) {
  result.views.push_back({"mesh", BytesOf(lists.meshPreviewVertices)});
  result.views.push_back({"stars", BytesOf(lists.starPreviewVertices)});
  result.views.push_back({"starmap1", BytesOf(lists.starMapPreview[0].vertices)});
  result.views.push_back({"starmap2", BytesOf(lists.starMapPreview[1].vertices)});
}

// Takes the input over, named as the page's file was.
std::shared_ptr<const FileBytes> Take(std::vector<uint8_t>* input, std::string name = {}) {
  std::unique_ptr<std::vector<uint8_t>> owned(input);
  return FileBytes::Adopt(std::move(*owned), std::move(name));
}

// A file's name less its last extension ("sky.hod" gives "sky").
std::string BaseOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

extern "C" {

std::vector<uint8_t>* sq_input_new(std::size_t size) {
  try {
    return new std::vector<uint8_t>(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

uint8_t* sq_input_data(std::vector<uint8_t>* input) { return input->data(); }

void sq_input_free(std::vector<uint8_t>* input) { delete input; }

// `starquill report NAME`: the report and its side files, in the order written.
Result* sq_report(std::vector<uint8_t>* input, const char* name, int soundTest) {
  auto result = std::make_unique<Result>();
  TextSink err;
  sq::CliPlatform platform(err.file());
  sq::MemoryFolder folder;
  sq::Model model;
  const sq::ReportOutcome outcome = sq::ReportOfBytes(model, name, Take(input), folder, soundTest != 0, platform);
  for (const sq::ExportFailure& failure : outcome.sideFileFailures) {
    std::fprintf(err.file(), "starquill report: side file not written: %s\n", failure.reason.c_str());
  }
  if (outcome.status == sq::ReportOutcome::Status::Written) {
    if (outcome.walk.failed) {
      std::fprintf(err.file(), "starquill report: the walk ended at byte %zu: %s\n", outcome.walk.offset,
                   outcome.walk.reason.c_str());
    }
    result->out = outcome.reportPath.string() + "\n";
    result->status = outcome.sideFileFailures.empty() ? 0 : 1;
  } else {
    result->status = sq::ExitStatusOf(outcome);
  }
  for (const std::string& file : folder.Names()) result->files.push_back({file, *folder.Find(file)});
  // The page previews a background only; the window also a model's point stars.
  if (outcome.background) {
    sq::PreviewLists lists;
    sq::BuildPreviewLists(model, lists);
    AddViews(lists, *result);
  }
  result->err = err.Take();
  return result.release();
}

// `starquill check NAME`: a line a finding.
Result* sq_check(std::vector<uint8_t>* input, const char* name, int soundTest) {
  auto result = std::make_unique<Result>();
  const sq::CheckOutcome outcome = sq::CheckBytes(Take(input), soundTest != 0);
  if (!outcome.readable) {
    result->err = "starquill check: " + outcome.error + "\n";
    result->status = 2;
    return result.release();
  }
  for (const sq::CheckFinding& finding : outcome.findings) result->out += sq::FindingLine(name, finding) + "\n";
  result->status = sq::VerdictOf(outcome.findings) == sq::FileVerdict::Errors ? 1 : 0;
  result->background = outcome.background ? 1 : 0;
  return result.release();
}

// `starquill dump NAME [--format tree] [--tables]`.
Result* sq_dump(std::vector<uint8_t>* input, const char* name, int tree, int tables, int soundTest) {
  auto result = std::make_unique<Result>();
  sq::DumpOptions options;
  options.tables = tables != 0;
  options.soundTest = soundTest != 0;
  const sq::DumpOutcome outcome = sq::DumpBytes(name, Take(input), options);
  if (!outcome.readable) {
    result->err = "starquill dump: " + outcome.document["error"].get<std::string>() + "\n";
    result->status = 2;
    return result.release();
  }
  result->out = tree != 0 ? sq::DumpTree(outcome.document) : sq::DumpJson(outcome.document) + "\n";
  return result.release();
}

// `starquill build-background NAME --out-dir DIR [options]`: BASE.hod, the
// messages and notes as the command line prints them, and the built
// background's preview lists. `stars` is -1 less, 0 normal, 1 more; `filter` the
// answer to the halftone question (-1: its default).
Result* sq_build(std::vector<uint8_t>* input, const char* name, int density, int colourAverage, int intensityLimit,
                 int increaseCapping, int stars, int filter) {
  auto result = std::make_unique<Result>();
  sq::BuildOptions options;
  options.density = density;
  options.colourAverage = colourAverage != 0;
  options.intensityLimit = intensityLimit != 0;
  options.increaseCapping = increaseCapping != 0;
  options.stars = stars < 0 ? sq::StarAmount::Less : stars > 0 ? sq::StarAmount::More : sq::StarAmount::Normal;
  if (!sq::IsMeshDensity(options.density)) {
    delete input;
    result->err = "starquill build-background: --density: " + std::to_string(density) + " not in {16,8,6,4,2}\n";
    result->status = 2;
    return result.release();
  }

  TextSink err;
  sq::CliPlatform platform(err.file());
  platform.SetAnswer(filter < 0 ? std::nullopt : std::optional<bool>(filter > 0));
  sq::SkySource sky;
  sky.files = {sq::LookAtPicture(Take(input, sq::SafeFileName(name)))};
  sq::MemoryFolder folder;
  const sq::BuildBackgroundOutcome outcome = sq::BuildBackgroundInto(sky, "", folder, options, platform);
  for (const std::string& note : outcome.built.notes) {
    std::fprintf(err.file(), "starquill build-background: %s\n", note.c_str());
  }
  result->status = sq::ExitStatusOf(outcome);
  if (outcome.status == sq::CommandOutcome::Status::Written) {
    for (const std::string& warning : sq::EmptyLayerWarnings(outcome.built.tables)) {
      std::fprintf(err.file(), "starquill build-background: warning: %s\n", warning.c_str());
    }
    result->out = outcome.outPath.string() + "\n";
    sq::PreviewLists lists;
    sq::BuildBackgroundPreviewLists(outcome.built.tables, lists);
    AddViews(lists, *result);
  }
  for (const std::string& file : folder.Names()) result->files.push_back({file, *folder.Find(file)});
  result->err = err.Take();
  return result.release();
}

// The star-map textures a glTF export reads ("B02.tga", "B03.tga"), handed
// over once by the page from its own folder: slot 0 or 1 takes the input over.
static std::array<std::shared_ptr<const FileBytes>, 2> starMapTextures;

void sq_texture(int slot, std::vector<uint8_t>* input, const char* name) {
  if (slot < 0 || slot > 1) {
    delete input;
    return;
  }
  starMapTextures[static_cast<std::size_t>(slot)] = Take(input, name);
}

// `starquill export-background NAME BASE.EXT [--size WxH]`, BASE the name less
// its extension: the file written, in the format `extension` names ("tga",
// "png", "glb"). A glTF scene's star maps take the textures handed over by
// sq_texture.
Result* sq_export(std::vector<uint8_t>* input, const char* name, const char* extension, int width, int height) {
  auto result = std::make_unique<Result>();
  sq::ExportOptions options;
  if (width > 0 && height > 0) {
    options.request.width = width;
    options.request.height = height;
  }
  options.textureFiles = starMapTextures;
  TextSink err;
  sq::CliPlatform platform(err.file());
  sq::MemoryFolder folder;
  const std::string out = BaseOf(sq::SafeFileName(name)) + "." + extension;
  const sq::ExportBackgroundOutcome outcome =
      sq::ExportHodBackground(Take(input, sq::SafeFileName(name)), folder, out, options, platform);
  result->status = sq::ExitStatusOf(outcome);
  for (const std::string& file : folder.Names()) result->files.push_back({file, *folder.Find(file)});
  result->err = err.Take();
  return result.release();
}

// The build's options as the window starts with them: density, the three
// marks, the star amount (-1, 0, 1), in that order.
int sq_build_default(int which) {
  const sq::BuildOptions options;
  switch (which) {
    case 0:
      return options.density;
    case 1:
      return options.colourAverage ? 1 : 0;
    case 2:
      return options.intensityLimit ? 1 : 0;
    case 3:
      return options.increaseCapping ? 1 : 0;
    case 4:
      return options.stars == sq::StarAmount::Less ? -1 : options.stars == sq::StarAmount::More ? 1 : 0;
    default:
      return 0;
  }
}

int sq_result_status(const Result* result) { return result->status; }
int sq_result_background(const Result* result) { return result->background; }
const char* sq_result_out(const Result* result) { return result->out.data(); }
std::size_t sq_result_out_size(const Result* result) { return result->out.size(); }
const char* sq_result_err(const Result* result) { return result->err.data(); }
std::size_t sq_result_err_size(const Result* result) { return result->err.size(); }

// Files and views in one numbering: the files first.
std::size_t sq_result_count(const Result* result) { return result->files.size() + result->views.size(); }
int sq_result_is_view(const Result* result, std::size_t i) { return i >= result->files.size() ? 1 : 0; }
static const Blob& BlobAt(const Result* result, std::size_t i) {
  return i < result->files.size() ? result->files[i] : result->views[i - result->files.size()];
}
const char* sq_result_name(const Result* result, std::size_t i) { return BlobAt(result, i).name.c_str(); }
const char* sq_result_data(const Result* result, std::size_t i) { return BlobAt(result, i).bytes.data(); }
std::size_t sq_result_size(const Result* result, std::size_t i) { return BlobAt(result, i).bytes.size(); }

void sq_result_free(Result* result) { delete result; }

}  // extern "C"
