#include "app/build_background_command.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "app/command_paths.h"
#include "app/platform.h"
#include "builder/background_options.h"
#include "hod/text_forms.h"

namespace sq {

namespace {

// Builds from the sky, showing what the build says as it goes (the halftone
// question is the platform's); a refusal has been shown when nothing was built.
BuiltBackground Build(const SkySource& sky, const BuildOptions& options, Platform& platform, TgaReadOptions read) {
  return ReadShowingMessages(platform, [&](ProgressSink& progress, const FilterQuestion& askFilter) {
    read.askFilter = askFilter;
    return BuildBackgroundFromSky(sky, options, progress, read);
  });
}

// BASE: the name given, else the picture's base name, for a cube map the +X face's less its suffix.
std::string BaseNameOf(const SkySource& sky, const std::string& name) {
  return !name.empty() ? name : sky.Cube() ? CubeBaseName(sky.files[0].name) : sky.files[0].baseName;
}

std::filesystem::path HodBeside(const std::filesystem::path& folder, const std::string& baseName) {
  return folder / (SafeFileName(baseName) + ".hod");
}

}  // namespace

CommandOutcome WriteBuiltBackground(const BackgroundTables& background, const std::filesystem::path& path,
                                    Platform& platform) {
  DiskFolder folder(path.parent_path());
  return WriteBuiltBackground(background, folder, path.filename().string(), platform);
}

CommandOutcome WriteBuiltBackground(const BackgroundTables& background, OutputFolder& folder, std::string_view name,
                                    Platform& platform) {
  BackgroundWriterTables writer;
  const std::string shape = CopyBackgroundToWriter(background, writer);
  if (!shape.empty()) {
    CommandOutcome refused;
    refused.error = shape;
    platform.ShowMessage(kAppTitle, CannotWriteHodText(shape), MessageIcon::Warning);
    return refused;
  }
  HodWriteOutcome outcome = WriteBackgroundHod(writer, folder, name);
  ShowMessages(platform, outcome.messages);
  return outcome;
}

std::vector<std::string> EmptyLayerWarnings(const BackgroundTables& background) {
  std::vector<std::string> warnings;
  if (background.hasBGSG) {
    for (std::size_t k = 0; k < background.bgsgTable.size(); ++k) {
      const StarMapChunk& map = background.bgsgTable[k];
      if (map.recordCount > 0) continue;
      warnings.push_back("Star map " + std::to_string(k + 1) + " (" + map.textureName + ") holds no star.");
    }
  }
  if (background.hasSTRF) {
    int64_t stars = 0;
    for (const PointStarChunk& chunk : background.strfTable) stars += std::max(0, chunk.starCount);
    if (stars == 0) warnings.emplace_back("The point stars are empty: no star was kept.");
  }
  return warnings;
}

BuildBackgroundOutcome BuildBackgroundCommand(const std::filesystem::path& imagePath,
                                              const std::filesystem::path& outputFolder, const BuildOptions& options,
                                              Platform& platform) {
  SkySource sky;
  sky.files = {imagePath.empty() ? PictureFile{} : OpenPictureFile(imagePath)};
  return BuildBackgroundCommand(sky, {}, outputFolder, options, platform);
}

std::string CubeBaseName(const std::filesystem::path& positiveX) {
  std::string stem = positiveX.stem().string();
  std::string lower = stem;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* suffix : {"px", "posx", "pos_x", "positive_x", "right", "rt"}) {
    for (char separator : {'_', '-', '.'}) {
      const std::string ending = separator + std::string(suffix);
      if (lower.size() > ending.size() && lower.ends_with(ending)) return stem.substr(0, stem.size() - ending.size());
    }
  }
  return stem;
}

BuildBackgroundOutcome BuildBackgroundCommand(const SkySource& sky, const std::string& name,
                                              const std::filesystem::path& outputFolder, const BuildOptions& options,
                                              Platform& platform) {
  if (!sky.files.empty() && !sky.files[0].name.empty()) {
    const std::string baseName = BaseNameOf(sky, name);
    const std::filesystem::path outPath = HodBeside(outputFolder, baseName);
    for (const PictureFile& file : sky.files) {
      std::error_code ec;
      if (std::filesystem::equivalent(file.name, outPath, ec) && !ec) {
        BuildBackgroundOutcome outcome;
        outcome.baseName = baseName;
        outcome.error = "The background HOD " + outPath.string() +
                        " would replace the picture it is built from; choose another output folder.";
        platform.ShowMessage(kAppTitle, outcome.error, MessageIcon::Warning);
        return outcome;
      }
    }
  }
  DiskFolder folder(outputFolder);
  return BuildBackgroundInto(sky, name, folder, options, platform);
}

BuildBackgroundOutcome BuildBackgroundInto(const SkySource& sky, const std::string& name, OutputFolder& folder,
                                           const BuildOptions& options, Platform& platform) {
  BuildBackgroundOutcome outcome;
  if (sky.files.empty() || sky.files[0].name.empty()) {
    platform.ShowMessage(kAppTitle, kSelectTargaImage, MessageIcon::Warning);
    outcome.error = std::string(kSelectTargaImage);
    return outcome;
  }
  outcome.baseName = BaseNameOf(sky, name);
  const std::string hodName = SafeFileName(outcome.baseName) + ".hod";

  BuiltBackground built = Build(sky, options, platform, {});
  if (!built.Built()) {
    if (built.read.status != TgaLoadResult::Status::Loaded && built.read.status != TgaLoadResult::Status::Refused)
      outcome.status = CommandOutcome::Status::Unreadable;
    outcome.error = built.refusal;
    return outcome;
  }
  outcome.built = std::move(built);
  outcome.outPath = folder.PathOf(hodName);
  static_cast<CommandOutcome&>(outcome) = WriteBuiltBackground(outcome.built.tables, folder, hodName, platform);
  return outcome;
}

bool BuildSessionBackground(BuilderSession& s, Platform& platform) {
  ForgetBuiltBackground(s);
  if (s.PicturePath().empty()) {
    platform.ShowMessage(kAppTitle, kSelectTargaImage, MessageIcon::Warning);
    return false;
  }
  TgaReadOptions read;
  read.filter = s.halftoneAnswer;
  read.showSizeWarning = false;  // the load showed it
  SkySource sky;
  // A picture is built from the bytes its load read; a cube map's faces are read now.
  if (s.cubeFaces.empty()) {
    sky.files = {s.picture};
  } else {
    for (const std::filesystem::path& face : s.cubeFaces) sky.files.push_back(OpenPictureFile(face));
  }
  BuiltBackground built = Build(sky, s.buildOptions, platform, read);
  if (!built.Built()) return false;
  if (!built.notes.empty()) platform.ShowMessage(kAppTitle, NotesText(built.notes), MessageIcon::Information);
  if (const std::vector<std::string> empty = EmptyLayerWarnings(built.tables); !empty.empty())
    platform.ShowMessage(kAppTitle, NotesText(empty), MessageIcon::Warning);
  s.builtBackground = std::move(built.tables);
  return true;
}

std::string ReplaceQuestion(const std::filesystem::path& path) {
  return path.filename().string() + " already exists in " + FolderOf(path).string() + ".\r\nReplace it?";
}

std::string KeptExisting(const std::filesystem::path& path) {
  return path.filename().string() + " already exists and was kept";
}

CommandOutcome WriteSessionBackground(BuilderSession& s, Platform& platform) {
  if (!s.builtBackground) {
    CommandOutcome refused;
    refused.error = "no background has been built from a picture";
    platform.ShowMessage(kAppTitle, CannotWriteHodText(refused.error), MessageIcon::Warning);
    return refused;
  }
  const std::filesystem::path path = SessionHodPath(s);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !platform.AskYesNo(kAppTitle, ReplaceQuestion(path), MessageIcon::Question, false)) {
    CommandOutcome kept;
    kept.error = KeptExisting(path);
    return kept;
  }
  return WriteBuiltBackground(*s.builtBackground, path, platform);
}

std::filesystem::path SessionHodPath(const BuilderSession& s) {
  return HodBeside(FolderOf(s.PicturePath()), s.tgaBaseName);
}

bool LoadCubeMapCommand(BuilderSession& s, const std::vector<std::filesystem::path>& faces, Platform& platform) {
  ForgetBuiltBackground(s);
  s.backgroundFromHod = false;
  s.halftoneAnswer.reset();
  s.filteredLoad = false;
  const bool whole =
      faces.size() == 6 && std::none_of(faces.begin(), faces.end(), [](const auto& f) { return f.empty(); });
  if (!whole) {
    ForgetCubeMap(s);
    platform.ShowMessage(kAppTitle, kSelectTargaImage, MessageIcon::Warning);
    return false;
  }
  s.cubeFaces = faces;
  s.picture = PictureFile{};
  s.tgaBaseName = CubeBaseName(faces[0]);
  return true;
}

void ForgetCubeMap(BuilderSession& s) {
  s.cubeFaces.clear();
  s.picture = PictureFile{};
  s.tgaBaseName.clear();
}

void ForgetBuiltBackground(BuilderSession& s) { s.builtBackground.reset(); }

std::string NotesText(const std::vector<std::string>& notes) {
  std::string text;
  for (const std::string& note : notes) text.append(text.empty() ? "" : "\r\n").append(note);
  return text;
}

}  // namespace sq
