#include "app/window_face.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace sq {

const WindowFace* LoadWindowFace(std::string& error) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    error = "the program's own folder is unknown (" + ec.message() + ")";
    return nullptr;
  }
  const std::filesystem::path module = self.parent_path() / kWindowModuleName;
  // Kept loaded until the process ends: the window runs to the end of the program.
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    error = reason != nullptr ? reason : module.string() + " cannot be loaded";
    return nullptr;
  }
  using FaceFunction = const WindowFace* (*)();
  auto face = reinterpret_cast<FaceFunction>(::dlsym(handle, kWindowFaceSymbol));
  if (face == nullptr || face() == nullptr) {
    error = module.string() + " has no window entry";
    return nullptr;
  }
  return face();
}

}  // namespace sq
