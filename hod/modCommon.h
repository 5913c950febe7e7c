// Shared ground of every module: byte order, the bounded reader over a file held
// in memory, the platform interface, and the text and file forms of all output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

// Reverses the four bytes of a 32-bit value. Chunk sizes are stored big-endian and
// kept as read little-endian; whoever needs a size's value swaps it first.
constexpr uint32_t ByteSwap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

// ---------------------------------------------------------------------------
// Platform: the few things the program asks of a person or a screen.

// The icon a message box carries: Information for what went right or is only
// worth knowing, Warning for what the person should look at, Error for what
// failed. Question is the Yes/No question's own.
enum class MessageIcon { None, Information, Question, Warning, Error };

class Platform {
 public:
  virtual ~Platform() = default;
  // A message box with one OK button and the icon that fits the message.
  virtual void ShowMessage(std::string_view title, std::string_view text, MessageIcon icon) = 0;
  // A Yes/No question; returns true for Yes.
  virtual bool AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) = 0;
  virtual void SetProgress(int maximum, int value) = 0;
  // Lets pending window events run during long work.
  virtual void DoEvents() = 0;
};

// The application's title, shown by every message box without a caption of its own.
inline constexpr std::string_view kAppTitle = "Starquill";

// ---------------------------------------------------------------------------
// Reader: one cursor over the whole file. A read that would pass the end fails;
// the failure is sticky: later reads return zeros and move nothing, and the
// caller checks Failed() once. The failure records the offset and the reason.

struct ReadFailure {
  std::size_t offset = 0;
  std::string reason;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : data_(bytes) {}

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool Failed() const { return failure_.has_value(); }
  const std::optional<ReadFailure>& Failure() const { return failure_; }

  // Ends reading with a reason; the first failure is the one kept.
  void Fail(std::string reason);

  // A four-character tag or chunk kind. At the end of the file (fewer than four
  // bytes left) it yields four zero bytes and reads nothing: a header read at
  // the end matches no kind, which ends a walk normally.
  std::string Tag();
  // Four characters that belong to a record; passing the end is a failure.
  std::string Chars4();

  // The reads of numbers are inline: a walk makes millions of them. Each checks
  // the bytes are there and otherwise fails through Need().
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint32_t U32() {  // four bytes little-endian, as stored (chunk sizes are kept this way)
    if (failure_ || Remaining() < 4) {
      (void)Need(4, "a 32-bit value");
      return 0;
    }
    const uint8_t* p = data_.data() + pos_;
    pos_ += 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint16_t U16() {
    if (failure_ || Remaining() < 2) {
      (void)Need(2, "a 16-bit value");
      return 0;
    }
    const uint8_t* p = data_.data() + pos_;
    pos_ += 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  float F32() {
    const uint32_t bits = U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  double F64();
  // A block of n bytes as a view into the file.
  std::span<const uint8_t> Bytes(std::size_t n);
  void Skip(std::size_t n) { (void)Bytes(n); }

  // Checks a count read from the file before anything is sized by it: a negative
  // count, or one whose records of recordSize bytes cannot fit in what is left,
  // fails with a reason naming `what`. Returns the count as a size when it is sound.
  std::optional<std::size_t> Count(int64_t count, std::size_t recordSize, std::string_view what);

 private:
  bool Need(std::size_t n, std::string_view what);

  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
  std::optional<ReadFailure> failure_;
};

// ---------------------------------------------------------------------------
// Text forms shared by the report and every side file.

inline constexpr std::string_view kCrLf = "\r\n";

// A 32-bit float as C's %.7G: 0.5, -12.25, 1E-05, 1.234568E+07. Locale-free.
std::string FormatFloat(float value);
// An integer in plain decimal.
std::string FormatInt(int64_t value);
// A file name built from file content, kept inside its folder: "/", "\", ":" and
// control characters become "_"; "", "." and ".." become "_".
std::string SafeFileName(std::string_view name);

// Text from a file put into a side-file line (a group or object name): control
// bytes (below 0x20, and 0x7F) become "_", so a name can neither end its line
// early nor add lines of its own. Ordinary names come out unchanged.
std::string SideFileText(std::string_view text);

// ---------------------------------------------------------------------------
// Files.

// Reads a whole file. Returns nullopt and sets `error` when it cannot.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::string& error);

// A file written whole through a temporary file in the same folder and a rename,
// in as many pieces as the writer likes, so a failed write never leaves a half
// file nor destroys the old one. Dropped without Commit, it leaves nothing.
class AtomicFile {
 public:
  explicit AtomicFile(const std::filesystem::path& path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  void Write(const uint8_t* bytes, std::size_t n) { Write(std::string_view(reinterpret_cast<const char*>(bytes), n)); }
  // Puts the finished file in place. Returns an empty string on success, else a reason.
  std::string Commit();

 private:
  std::filesystem::path path_, temp_;
  std::ofstream out_;
  bool created_ = false;
  bool committed_ = false;
  int openErrno_ = 0, writeErrno_ = 0;  // the system's reason of a failure, 0 when it gave none
};

// Writes a file whole through an AtomicFile. Returns an empty string on success,
// else a reason.
std::string WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// A side export, appended to its file through one buffered stream: lines gather
// in a buffer of kBufferSize bytes that is written whenever it fills, and on
// Close() (or on destruction). The file is created when missing. The name goes
// through SafeFileName, so the file is always directly in `folder`. Without a
// folder the lines are dropped and no file is touched.
class SideFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

  SideFile(const std::optional<std::filesystem::path>& folder, std::string_view fileName);
  ~SideFile();
  SideFile(const SideFile&) = delete;
  SideFile& operator=(const SideFile&) = delete;

  // Appends text and CR LF.
  void Line(std::string_view text = {});
  // Appends raw text without a line end.
  void Text(std::string_view text);
  // Writes what is left and closes the file. Returns an empty string on success,
  // else the first reason a write failed.
  std::string Close();

 private:
  void Flush();

  std::optional<std::filesystem::path> path_;  // none: the lines are dropped
  std::string buffer_;
  std::ofstream out_;
  bool opened_ = false;
  bool closed_ = false;
  std::string error_;
};

}  // namespace sq
