#include "app/export_background_command.h"

#include <system_error>

#include "app/command_paths.h"
#include "app/message_boxes.h"
#include "background_export/sky_scene.h"
#include "hod/file_bytes.h"
#include "hod/hod_walk.h"
#include "output/output_folder.h"
#include "preview/tga_texture.h"

namespace sq {

namespace {

ExportBackgroundOutcome Refuse(Platform& platform, const std::string& text,
                               CommandOutcome::Status status = CommandOutcome::Status::Refused) {
  return RefusedWith<ExportBackgroundOutcome>(platform, text, status);
}

// The star-map texture of a slot, from the bytes handed over or else from the
// texture folder; `where` names it for a message.
std::optional<TextureImage> StarMapTexture(const ExportOptions& options, std::size_t slot, std::string& where,
                                           std::string& error) {
  static const char* const kTextures[2] = {"B02.tga", "B03.tga"};
  if (const auto& file = options.textureFiles[slot]) {
    where = file->Name().empty() ? kTextures[slot] : file->Name();
    return DecodeTarga(file->Bytes(), error);
  }
  const std::filesystem::path path = options.textureFolder / kTextures[slot];
  where = path.string();
  return LoadTextureFile(path, error);
}

ExportBackgroundOutcome Export(const SkyScene& scene, OutputFolder& folder, std::string_view name,
                               ExportOptions options, Platform& platform) {
  const std::optional<ExportFormat> format = ExportFormatOf(name);
  if (!format) {
    return Refuse(platform, "Cannot export to " + folder.PathOf(name) + ": the name must end in " +
                                std::string(kExportExtensions) + ".");
  }
  ExportRequest& request = options.request;
  request.format = *format;
  std::string refusal = ExportRequestRefusal(request);
  if (!refusal.empty()) return Refuse(platform, refusal);
  if (scene.Empty()) return Refuse(platform, "The background holds nothing to export.");

  if (request.format == ExportFormat::Glb && request.layers.starMaps) {
    for (std::size_t slot = 0; slot < 2; ++slot) {
      if (scene.starMaps[slot].empty()) continue;
      std::string where, error;
      request.textures[slot] = StarMapTexture(options, slot, where, error);
      if (!request.textures[slot]) {
        std::string text = "The star-map texture " + where;
        text += " cannot be read: ";
        text += error;
        return Refuse(platform, text, CommandOutcome::Status::WriteFailed);
      }
    }
  }

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

// A name the extension check refuses, refused before anything is read: the
// message names the path as it was given.
bool KnownExtension(const std::filesystem::path& outPath) {
  return ExportFormatOf(outPath.filename().string()).has_value();
}

ExportBackgroundOutcome RefuseExtension(const std::filesystem::path& outPath, Platform& platform) {
  return Refuse(platform, "Cannot export to " + outPath.string() + ": the name must end in " +
                              std::string(kExportExtensions) + ".");
}

}  // namespace

bool ModelBackgroundExportable(const Model& model) {
  if (!model.hasBGMS && !model.hasBGSG && !model.hasSTRF) return false;
  const SkyScene scene = SceneOfModel(model);
  return scene.broken.empty() && !scene.Empty();
}

ExportBackgroundOutcome ExportModelBackground(const Model& model, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform) {
  if (!KnownExtension(outPath)) return RefuseExtension(outPath, platform);
  const SkyScene scene = SceneOfModel(model);
  if (!scene.broken.empty()) {
    return Refuse(platform, "Cannot export the background: it is damaged (" + scene.broken +
                                "), and only a whole background is exported.");
  }
  DiskFolder folder(FolderOf(outPath));
  return Export(scene, folder, outPath.filename().string(), std::move(options), platform);
}

ExportBackgroundOutcome ExportBuiltBackground(const BackgroundTables& background, const std::filesystem::path& outPath,
                                              ExportOptions options, Platform& platform) {
  if (!KnownExtension(outPath)) return RefuseExtension(outPath, platform);
  DiskFolder folder(FolderOf(outPath));
  return Export(SceneOfBackground(background), folder, outPath.filename().string(), std::move(options), platform);
}

ExportBackgroundOutcome ExportBackgroundCommand(const std::filesystem::path& hodPath,
                                                const std::filesystem::path& outPath, ExportOptions options,
                                                Platform& platform) {
  if (HodBaseName(hodPath.string()).empty()) return Refuse(platform, std::string(kSelectHodFile));
  // The extension is checked before the file is read.
  if (!KnownExtension(outPath)) return RefuseExtension(outPath, platform);

  std::string readError;
  auto file = FileBytes::Open(hodPath, readError);
  if (!file) return Refuse(platform, "Cannot read the HOD file: " + readError, CommandOutcome::Status::Unreadable);
  DiskFolder folder(FolderOf(outPath));
  return ExportHodBackground(std::move(file), folder, outPath.filename().string(), std::move(options), platform);
}

ExportBackgroundOutcome ExportHodBackground(std::shared_ptr<const FileBytes> hod, OutputFolder& folder,
                                            std::string_view outName, ExportOptions options, Platform& platform) {
  const std::string hodName = std::filesystem::path(hod->Name()).filename().string();
  if (HodBaseName(hodName).empty()) return Refuse(platform, std::string(kSelectHodFile));
  if (!ExportFormatOf(outName)) return Export(SkyScene{}, folder, outName, std::move(options), platform);
  Model model;
  const WalkResult walk = WalkHodFile(std::move(hod), model);
  ShowMessages(platform, walk.messages);
  const std::string from = "Cannot export a background from " + hodName + ": ";
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
  ExportBackgroundOutcome outcome = Export(scene, folder, outName, std::move(options), platform);
  outcome.walkMessage = walkMessage;
  return outcome;
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

}  // namespace sq
