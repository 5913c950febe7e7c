#include "app/window_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace sq {

const WindowModule* LoadWindowModule(std::string& error) {
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
  using EntryFunction = const WindowModule* (*)();
  auto window = reinterpret_cast<EntryFunction>(::dlsym(handle, kWindowModuleSymbol));
  if (window == nullptr || window() == nullptr) {
    error = module.string() + " has no window entry";
    return nullptr;
  }
  return window();
}

}  // namespace sq
