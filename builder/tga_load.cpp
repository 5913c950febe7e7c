#include "builder/tga_load.h"

namespace sq {

std::string TgaBaseName(std::string_view path) {
  std::string_view front = path.substr(0, path.find(".tga"));
  const std::size_t slash = front.find_last_of("\\/");
  if (slash != std::string_view::npos) front.remove_prefix(slash + 1);
  return std::string(front);
}

void SaySizeWarning(Messages& said, int32_t width, int32_t height) {
  if (width != 1024 || height != 512) Say(said, MessageWeight::Warning, std::string(kSizeWarning));
}

}  // namespace sq
