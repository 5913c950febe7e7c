// The file names the commands accept, the refusals of the others, and the folder
// a command writes to by default.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace sq {

inline constexpr std::string_view kSelectHodFile = "Please select an Farhold HOD file.";
inline constexpr std::string_view kSelectTargaImage = "Please select a Targa image file.";

// The accepted-name rule for HOD files: the path must contain ".hod" (case
// matters). Returns the base name: the text in front of the first ".hod", without
// anything up to its last folder separator ("\" or "/"). Empty when refused.
std::string HodBaseName(std::string_view path);

// HodBaseName for a command: a refused path shows kSelectHodFile, and the result
// is empty.
std::string AcceptHodPath(std::string_view path, Platform& platform);

// What a file handed over whole opens (dropped on the main window, or named alone
// on the command line): a name ending in ".hod" the report command, one ending
// in ".tga", ".png", ".jpg", ".jpeg", ".exr" or ".hdr" the picture load; for
// other names the first of ".hod" and ".tga" it holds decides. Case matters, as in the dialogs. Only the file's own
// name counts, not its folders.
enum class FileKind { Other, Hod, Targa };
FileKind KindOfFile(std::string_view path);

// The folder that holds a file, "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);

}  // namespace sq
