#include "app/command_paths.h"

namespace sq {

std::string HodBaseName(std::string_view path) {
  const std::size_t dotHod = path.find(".hod");
  if (path.empty() || dotHod == std::string_view::npos) return {};
  std::string_view front = path.substr(0, dotHod);
  const std::size_t slash = front.find_last_of("\\/");
  if (slash != std::string_view::npos) front.remove_prefix(slash + 1);
  return std::string(front);
}

std::string AcceptHodPath(std::string_view path, Platform& platform) {
  std::string baseName = HodBaseName(path);
  if (baseName.empty()) platform.ShowMessage(kAppTitle, kSelectHodFile, MessageIcon::Warning);
  return baseName;
}

FileKind KindOfFile(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.ends_with(".hod")) return FileKind::Hod;
  if (name.ends_with(".tga")) return FileKind::Targa;
  for (const char* picture : {".png", ".jpg", ".jpeg", ".exr", ".hdr"}) {
    if (name.ends_with(picture)) return FileKind::Targa;
  }
  const std::size_t hod = name.find(".hod"), tga = name.find(".tga");
  if (hod == std::string_view::npos && tga == std::string_view::npos) return FileKind::Other;
  return hod < tga ? FileKind::Hod : FileKind::Targa;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

}  // namespace sq
