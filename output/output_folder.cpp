#include "output/output_folder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "hod/text_forms.h"
#include "output/file_output.h"

namespace sq {

namespace {

// Whether a part of `bytes` at `offset` lies within a file of `size` bytes.
bool PartFits(std::size_t offset, std::string_view bytes, std::size_t size) {
  return offset <= size && bytes.size() <= size - offset;
}

// Makes `file` `size` bytes long and puts the parts `fill` hands on in place.
void GatherParts(std::string& file, std::size_t size, const std::function<void(const OutputFolder::PutPart&)>& fill) {
  file.assign(size, '\0');
  fill([&](std::size_t offset, std::string_view bytes) {
    if (PartFits(offset, bytes, size)) std::memcpy(file.data() + offset, bytes.data(), bytes.size());
  });
}

}  // namespace

std::string OutputFolder::ReplaceInParts(std::string_view name, std::size_t size,
                                         const std::function<void(const PutPart&)>& fill) {
  std::string file;
  GatherParts(file, size, fill);
  return Replace(name, file);
}

std::filesystem::path DiskFolder::FilePath(std::string_view name) const { return folder_ / SafeFileName(name); }

std::string DiskFolder::Append(std::string_view name, std::string_view bytes) {
  const std::filesystem::path path = FilePath(name);
  errno = 0;
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out) return FileFailure("cannot open", path, errno);
  errno = 0;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (out) {
    errno = 0;
    out.close();  // a full disk may show only here
  }
  if (!out) return FileFailure("cannot write", path, errno);
  return {};
}

std::string DiskFolder::Replace(std::string_view name, std::string_view bytes) {
  return WriteFileAtomic(FilePath(name), bytes);
}

std::string DiskFolder::ReplaceInParts(std::string_view name, std::size_t size,
                                       const std::function<void(const PutPart&)>& fill) {
  AtomicFile file(FilePath(name));
  file.SetSize(size);
  fill([&](std::size_t offset, std::string_view bytes) {
    if (PartFits(offset, bytes, size)) file.WriteAt(offset, bytes);
  });
  return file.Commit();
}

bool DiskFolder::Holds(std::string_view name) const {
  std::error_code ignored;
  return std::filesystem::exists(FilePath(name), ignored);
}

std::string DiskFolder::PathOf(std::string_view name) const { return FilePath(name).string(); }

std::string& MemoryFolder::Slot(std::string_view name) {
  const std::string safe = SafeFileName(name);
  auto it = files_.find(safe);
  if (it == files_.end()) {
    names_.push_back(safe);
    it = files_.emplace(safe, std::string()).first;
  }
  return it->second;
}

std::string MemoryFolder::Append(std::string_view name, std::string_view bytes) {
  Slot(name).append(bytes);
  return {};
}

std::string MemoryFolder::Replace(std::string_view name, std::string_view bytes) {
  Slot(name).assign(bytes);
  return {};
}

std::string MemoryFolder::ReplaceInParts(std::string_view name, std::size_t size,
                                         const std::function<void(const PutPart&)>& fill) {
  std::string file;
  GatherParts(file, size, fill);  // a fill that throws leaves the folder as it was
  Slot(name) = std::move(file);
  return {};
}

bool MemoryFolder::Holds(std::string_view name) const { return files_.find(SafeFileName(name)) != files_.end(); }

std::string MemoryFolder::PathOf(std::string_view name) const { return SafeFileName(name); }

const std::string* MemoryFolder::Find(std::string_view name) const {
  const auto it = files_.find(SafeFileName(name));
  return it == files_.end() ? nullptr : &it->second;
}

}  // namespace sq
