// What an operation of the builder wrote: the files it wrote and the reasons of
// those it could not write.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sq {

// The files an operation wrote and the ones it could not write.
struct OutputReport {
  std::vector<std::filesystem::path> written;
  std::vector<std::string> errors;  // one reason per file that could not be written

  void Add(const std::filesystem::path& path, const std::string& error) {
    if (error.empty()) {
      written.push_back(path);
    } else {
      errors.push_back(error);
    }
  }
  void Add(const OutputReport& other) {
    written.insert(written.end(), other.written.begin(), other.written.end());
    errors.insert(errors.end(), other.errors.begin(), other.errors.end());
  }
  bool Ok() const { return errors.empty(); }
};

}  // namespace sq
