// Where a pass puts the files it makes. The folder output/ holds:
//
//   output_folder.h   OutputFolder: a folder on disk (DiskFolder) or files in memory (MemoryFolder)
//   file_output.h     files written whole through a temporary file and a rename, side files appended to
//   command_outcome.h how a command that writes ended, and the exit status it gives
//
// Where a pass puts the files it makes: a folder on disk for the window and the
// command line, memory for tests and the browser page. Every pass that writes
// (the report, the side exports, the builder's files, the exports of a
// background) writes through one of these, so where the bytes go is the caller's
// choice. Names are plain file names; a name with a folder part is made safe
// first (SafeFileName), so a file never lands outside its folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

class OutputFolder {
 public:
  virtual ~OutputFolder() = default;
  // Appends bytes to the file `name`, made when missing (also for no bytes).
  // Returns an empty string on success, else the reason, with the system's.
  virtual std::string Append(std::string_view name, std::string_view bytes) = 0;
  // Writes the file `name` whole. A failure leaves no half-written file, and an
  // earlier file of that name stays whole. Returns "" or the reason.
  virtual std::string Replace(std::string_view name, std::string_view bytes) = 0;
  // Writes the file `name`, `size` bytes, whole as Replace does, from parts:
  // `fill` hands each part to the PutPart it is given (where the part starts in
  // the file, and its bytes), from any of its threads and in any order, every
  // byte once. A part that would reach past `size` is left out. A `fill` that
  // throws writes nothing, and the exception goes on to the caller. Here it is
  // gathered in memory and written by Replace.
  using PutPart = std::function<void(std::size_t offset, std::string_view bytes)>;
  virtual std::string ReplaceInParts(std::string_view name, std::size_t size,
                                     const std::function<void(const PutPart&)>& fill);
  // Whether a file of that name is there already.
  virtual bool Holds(std::string_view name) const = 0;
  // The file as a person reads its name: its path on disk, its name in memory.
  virtual std::string PathOf(std::string_view name) const = 0;
};

// A folder on disk. Replace goes through a temporary file and a rename.
class DiskFolder final : public OutputFolder {
 public:
  explicit DiskFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
  const std::filesystem::path& Path() const { return folder_; }
  std::filesystem::path FilePath(std::string_view name) const;

  std::string Append(std::string_view name, std::string_view bytes) override;
  std::string Replace(std::string_view name, std::string_view bytes) override;
  // The parts go straight into the temporary file as they come.
  std::string ReplaceInParts(std::string_view name, std::size_t size,
                             const std::function<void(const PutPart&)>& fill) override;
  bool Holds(std::string_view name) const override;
  std::string PathOf(std::string_view name) const override;

 private:
  std::filesystem::path folder_;
};

// Files held in memory, in the order they were first written.
class MemoryFolder final : public OutputFolder {
 public:
  std::string Append(std::string_view name, std::string_view bytes) override;
  std::string Replace(std::string_view name, std::string_view bytes) override;
  std::string ReplaceInParts(std::string_view name, std::size_t size,
                             const std::function<void(const PutPart&)>& fill) override;
  bool Holds(std::string_view name) const override;
  std::string PathOf(std::string_view name) const override;

  // The file's bytes, or nullptr when there is none.
  const std::string* Find(std::string_view name) const;
  // The names of the files, in the order each was first written.
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::string& Slot(std::string_view name);

  std::map<std::string, std::string, std::less<>> files_;
  std::vector<std::string> names_;
};

}  // namespace sq
