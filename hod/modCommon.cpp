#include "hod/modCommon.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace sq {

// ---------------------------------------------------------------------------
// Reader

void Reader::Fail(std::string reason) {
  if (!failure_) failure_ = ReadFailure{pos_, std::move(reason)};
}

bool Reader::Need(std::size_t n, std::string_view what) {
  if (failure_) return false;
  if (n > Remaining()) {
    Fail("unexpected end of file reading " + std::string(what) + " (" + std::to_string(n) + " bytes needed, " +
         std::to_string(Remaining()) + " left)");
    return false;
  }
  return true;
}

std::string Reader::Tag() {
  if (failure_ || Remaining() < 4) return std::string(4, '\0');
  std::string tag(reinterpret_cast<const char*>(data_.data() + pos_), 4);
  pos_ += 4;
  return tag;
}

std::string Reader::Chars4() {
  if (!Need(4, "a four-character field")) return std::string(4, '\0');
  std::string tag(reinterpret_cast<const char*>(data_.data() + pos_), 4);
  pos_ += 4;
  return tag;
}

double Reader::F64() {
  if (!Need(8, "a 64-bit float")) return 0.0;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | data_[pos_ + static_cast<std::size_t>(i)];
  pos_ += 8;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::span<const uint8_t> Reader::Bytes(std::size_t n) {
  if (!Need(n, "a data block")) return {};
  auto block = data_.subspan(pos_, n);
  pos_ += n;
  return block;
}

std::optional<std::size_t> Reader::Count(int64_t count, std::size_t recordSize, std::string_view what) {
  if (failure_) return std::nullopt;
  if (count < 0) {
    Fail("negative " + std::string(what) + " count " + std::to_string(count));
    return std::nullopt;
  }
  const auto n = static_cast<uint64_t>(count);
  if (recordSize > 0 && n > Remaining() / recordSize) {
    Fail(std::string(what) + " count " + std::to_string(count) + " needs more bytes than the " +
         std::to_string(Remaining()) + " left in the file");
    return std::nullopt;
  }
  return static_cast<std::size_t>(n);
}

// ---------------------------------------------------------------------------
// Text forms

std::string FormatFloat(float value) {
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 7);
  if (ec != std::errc()) return "0";
  std::string text(buf, end);
  // to_chars writes what printf's %.7g writes; the upper-case form differs only in letters.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string FormatInt(int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, end);
}

std::string SafeFileName(std::string_view name) {
  std::string out(name);
  for (char& ch : out) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '/' || ch == '\\' || ch == ':' || byte < 0x20 || byte == 0x7F) ch = '_';
  }
  if (out.empty() || out == "." || out == "..") return "_";
  return out;
}

std::string SideFileText(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte == 0x7F) ch = '_';
  }
  return out;
}

// ---------------------------------------------------------------------------
// Files

namespace {

// "cannot write PATH: No space left on device": what failed, and the system's
// reason when it gave one. `err` is errno as the failed call left it.
std::string FileFailure(std::string_view what, const std::filesystem::path& path, int err) {
  std::string text(what);
  text.append(" ").append(path.string());
  if (err != 0) text.append(": ").append(std::strerror(err));
  return text;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path.string();
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  in.seekg(0, std::ios::beg);
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  return bytes;
}

AtomicFile::AtomicFile(const std::filesystem::path& path) : path_(path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  // Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) on "." + string.
  std::string tempName = ".";
  tempName += path.filename().string();
  tempName += ".tmp";
  tempName += std::to_string(::getpid());
  temp_ = folder / tempName;
  errno = 0;
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  created_ = static_cast<bool>(out_);
  if (!created_) openErrno_ = errno;
}

AtomicFile::~AtomicFile() {
  if (created_ && !committed_) {
    out_.close();
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
  }
}

void AtomicFile::Write(std::string_view bytes) {
  if (!created_ || !out_) return;
  errno = 0;
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) writeErrno_ = errno;
}

std::string AtomicFile::Commit() {
  if (!created_) return FileFailure("cannot create", path_, openErrno_);
  if (out_) {
    errno = 0;
    out_.flush();
    if (!out_) writeErrno_ = errno;
  }
  if (out_) {
    errno = 0;
    out_.close();  // a full disk may show only here
    if (!out_) writeErrno_ = errno;
  }
  if (!out_) return FileFailure("cannot write", path_, writeErrno_);  // the destructor removes the temporary file
  std::error_code ec;
  std::filesystem::rename(temp_, path_, ec);
  if (ec) return FileFailure("cannot write", path_, ec.value());
  committed_ = true;
  return {};
}

std::string WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  AtomicFile file(path);
  file.Write(bytes);
  return file.Commit();
}

// The name is made safe here as well as by the callers: a name with a folder part
// ("../x", "/x") would otherwise lead the append out of the output folder.
SideFile::SideFile(const std::optional<std::filesystem::path>& folder, std::string_view fileName) {
  if (folder) path_ = *folder / SafeFileName(fileName);
}

SideFile::~SideFile() { (void)Close(); }

void SideFile::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append(kCrLf);
  if (buffer_.size() >= kBufferSize) Flush();
}

void SideFile::Text(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void SideFile::Flush() {
  if (!path_ || !error_.empty()) {
    buffer_.clear();
    return;
  }
  if (!opened_) {
    opened_ = true;
    errno = 0;
    out_.open(*path_, std::ios::binary | std::ios::app);
    if (!out_) {
      error_ = FileFailure("cannot open", *path_, errno);
      buffer_.clear();
      return;
    }
  }
  errno = 0;
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  if (!out_) error_ = FileFailure("cannot write", *path_, errno);
  buffer_.clear();  // keeps its capacity for the next lines
}

std::string SideFile::Close() {
  if (closed_) return {};
  closed_ = true;
  Flush();
  if (out_.is_open()) {
    errno = 0;
    out_.close();
    if (!out_ && error_.empty()) error_ = FileFailure("cannot write", *path_, errno);
  }
  return error_;
}

}  // namespace sq
