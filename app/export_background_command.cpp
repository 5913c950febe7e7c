#include "app/export_background_command.h"

#include <system_error>

#include "app/command_paths.h"
#include "background_export/sky_scene.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"

namespace sq {

namespace {

ExportBackgroundOutcome Refuse(Platform& platform, std::string text,
                               CommandOutcome::Status status = CommandOutcome::Status::Refused) {
  return RefusedWith<ExportBackgroundOutcome>(platform, std::move(text), status);
}

ExportBackgroundOutcome Export(const SkyScene& scene, const std::filesystem::path& outPath, ExportOptions options,
                               Platform& platform) {
  const std::string name = outPath.filename().string();
  const std::optional<ExportFormat> format = ExportFormatOf(name);
  if (!format) {
    return Refuse(platform, "Cannot export to " + outPath.string() + ": the name must end in " +
                                std::string(kExportExtensions) + ".");
  }
  ExportRequest& request = options.request;
  request.format = *format;
  std::string refusal = ExportRequestRefusal(request);
  if (!refusal.empty()) return Refuse(platform, refusal);
  if (scene.Empty()) return Refuse(platform, "The background holds nothing to export.");

  if (request.format == ExportFormat::Glb && request.layers.starMaps) {
    static const char* const kTextures[2] = {"B02.tga", "B03.tga"};
    for (std::size_t slot = 0; slot < 2; ++slot) {
      if (scene.starMaps[slot].empty()) continue;
      std::string error;
      request.textures[slot] = LoadTextureFile(options.textureFolder / kTextures[slot], error);
      if (!request.textures[slot]) {
        return Refuse(
            platform,
            "The star-map texture " + (options.textureFolder / kTextures[slot]).string() + " cannot be read: " + error,
            CommandOutcome::Status::WriteFailed);
      }
    }
  }

  const std::filesystem::path folderPath = outPath.has_parent_path() ? outPath.parent_path() : ".";
  DiskFolder folder(folderPath);
  const ExportResult result = ExportBackground(scene, request, name, folder);
  if (!result.refusal.empty()) return Refuse(platform, result.refusal);
  ExportBackgroundOutcome outcome;
  outcome.written = result.written;
  if (!result.failed.empty()) {
    std::string text;
    for (const std::string& failure : result.failed) text += (text.empty() ? "" : "\r\n") + failure;
    platform.ShowMessage(kAppTitle, "The export could not be written: " + text, MessageIcon::Error);
    outcome.status = CommandOutcome::Status::WriteFailed;
    outcome.error = text;
    return outcome;
  }
  outcome.status = CommandOutcome::Status::Written;
  return outcome;
}

}  // namespace

ExportBackgroundOutcome ExportModelBackground(const Model& model, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform) {
  const SkyScene scene = SceneOfModel(model);
  if (!scene.broken.empty()) {
    return Refuse(platform, "Cannot export the background: it is damaged (" + scene.broken +
                                "), and only a whole background is exported.");
  }
  return Export(scene, outPath, std::move(options), platform);
}

ExportBackgroundOutcome ExportBuiltBackground(const BackgroundTables& background, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform) {
  return Export(SceneOfBackground(background), outPath, std::move(options), platform);
}

ExportBackgroundOutcome ExportBackgroundCommand(const std::filesystem::path& hodPath,
                                                const std::filesystem::path& outPath, ExportOptions options,
                                                Platform& platform) {
  if (HodBaseName(hodPath.string()).empty()) return Refuse(platform, std::string(kSelectHodFile));
  // The extension is checked before the file is read.
  if (!ExportFormatOf(outPath.filename().string())) return Export(SkyScene{}, outPath, std::move(options), platform);

  std::string readError;
  auto file = FileBytes::Open(hodPath, readError);
  if (!file) return Refuse(platform, "Cannot read the HOD file: " + readError, CommandOutcome::Status::Unreadable);
  Model model;
  const WalkResult walk = WalkHodFile(std::move(file), model, platform);
  const std::string from = "Cannot export a background from " + hodPath.filename().string() + ": ";
  const SkyScene scene = SceneOfModel(model);
  std::string walkMessage;
  if (walk.failed) {
    walkMessage = "The walk ended at byte " + std::to_string(walk.offset) + ": " + walk.reason;
    if (!scene.broken.empty() || scene.meshes.empty()) {
      return Refuse(platform,
                    from + "the file is damaged and the walk reached no whole background (" + walkMessage + ").");
    }
  }
  if (scene.Empty()) {
    const bool background = model.hasBGMS || model.hasBGSG || model.hasSTRF;
    return Refuse(platform, from + (background ? "its background holds no mesh, star map or star."
                                               : "it holds no background (it is a model, or empty)."));
  }
  if (!walkMessage.empty()) platform.ShowMessage(kAppTitle, walkMessage, MessageIcon::Warning);
  ExportBackgroundOutcome outcome = Export(scene, outPath, std::move(options), platform);
  outcome.walkMessage = walkMessage;
  return outcome;
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

}  // namespace sq
