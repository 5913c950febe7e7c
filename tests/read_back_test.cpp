// Our outputs read back by programs not ours: unrtf shows every line a ship's report means
// to show, assimp counts the faces each OBJ file states, ImageMagick sees a TGA job's pixels.
#include <gtest/gtest.h>

#include <span>

#include "picture/tga_header.h"
#include "support/rtf_check.h"
#include "support/sample_files.h"
#include "tests/test_kit.h"

using namespace sqtest;

namespace {

// Blanks, tabs and line ends as one blank; bytes above 0x7E as '?', since a reader
// may show a code-page character as one byte or several.
std::string Normalized(std::string_view text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!blank) out += static_cast<unsigned char>(c) > 0x7E ? '?' : c;
    if (blank && !out.empty() && out.back() != ' ') out += ' ';
  }
  return out;
}

// The text the report means to show: its frame dropped, \par and \tab as blanks,
// \\ \{ \} and \'hh decoded. Any other backslash is markup that would hide text.
std::string IntendedText(const std::string& rtf) {
  std::string text;
  const std::string body = rtf.substr(rtf.find("\\fs20 ") + 6);
  for (std::size_t i = 0; i < body.size(); ++i) {
    const std::string_view rest = std::string_view(body).substr(i);
    if (body[i] != '\\') {
      text += body[i];
    } else if (rest.starts_with("\\par") && (rest.size() == 4 || rest[4] == '\\' || rest[4] == '\r')) {
      text += ' ';
      i += 3;
    } else if (rest.starts_with("\\tab ")) {
      text += ' ';
      i += 4;
    } else if (rest.size() > 1 && (rest[1] == '\\' || rest[1] == '{' || rest[1] == '}')) {
      text += body[++i];
    } else if (rest.size() > 3 && rest[1] == '\'') {
      text += static_cast<char>(std::stoi(std::string(rest.substr(2, 2)), nullptr, 16));
      i += 3;
    } else {
      ADD_FAILURE() << "markup the report never writes: " << rest.substr(0, 12);
    }
  }
  return Normalized(text.substr(0, text.rfind('}')));
}

// Every OBJ file of a folder: its "# N vertices" and "# N face(s)" comments state
// its vertex and face lines, and one with faces is loaded by assimp, which must
// count the faces stated. Returns how many there were.
int ExpectObjFilesReadBack(const std::filesystem::path& folder) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".obj" && entry.path().extension() != ".OBJ") continue;
    ++files;
    SCOPED_TRACE(entry.path());
    const std::string obj = ReadText(entry.path());
    long statedVertices = -1, vertexLines = 0, faces = 0, faceLines = 0;
    for (std::size_t at = 0, end; at < obj.size(); at = end + 2) {
      end = obj.find("\r\n", at);
      EXPECT_NE(end, std::string::npos) << "a line that does not end in CR LF";
      if (end == std::string::npos) break;
      const std::string line = obj.substr(at, end - at);
      vertexLines += line.starts_with("v ");
      faceLines += line.starts_with("f  ");
      if (!line.starts_with("# ")) continue;
      const long count = std::stol(line.substr(2));
      if (line.ends_with(" vertices")) statedVertices = std::max(statedVertices, 0L) + count;
      if (line.ends_with(" face") || line.ends_with(" faces")) faces += count;
    }
    EXPECT_TRUE(statedVertices < 0 || statedVertices == vertexLines) << statedVertices << " " << vertexLines;
    EXPECT_EQ(faces, faceLines);
    if (faceLines == 0) continue;
    TempDir scratch;
    const ProcessResult r = RunProgram(ASSIMP_EXE, {"info", entry.path().string()}, scratch.path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t field = r.out.find("\nFaces:");
    EXPECT_EQ(field == std::string::npos ? -1 : std::stol(r.out.substr(field + 7)), faces) << r.out;
  }
  return files;
}

// ImageMagick's size and pixels against the TGA's own rows, bottom-up or top-down.
void ExpectImageMagickSeesThePixels(const std::filesystem::path& tga) {
  const std::string bytes = ReadText(tga);
  ASSERT_GE(bytes.size(), sq::kTgaHeaderSize);
  const sq::TgaHeader header = sq::ParseTgaHeader(
      std::span<const uint8_t, sq::kTgaHeaderSize>(reinterpret_cast<const uint8_t*>(bytes.data()), sq::kTgaHeaderSize));
  const std::size_t width = header.width, height = header.height, first = sq::kTgaHeaderSize + header.idLength;
  ASSERT_GE(bytes.size(), first + width * height * 4);
  TempDir scratch;
  const auto raw = scratch / "pixels.rgb";
  const ProcessResult r =
      RunProgram(CONVERT_EXE, {tga.string(), "-auto-orient", "-depth", "8", "rgb:" + raw.string()}, scratch.path());
  const std::string rgb = ReadText(raw);
  ASSERT_EQ(rgb.size(), width * height * 3) << tga << r.err;
  for (std::size_t row = 0; row < height; ++row) {
    const std::size_t fileRow = header.TopRowFirst() ? row : height - 1 - row;
    for (std::size_t col = 0; col < width; ++col) {
      const std::size_t at = first + (fileRow * width + col) * 4, im = (row * width + col) * 3;
      ASSERT_TRUE(bytes[at + 2] == rgb[im] && bytes[at + 1] == rgb[im + 1] && bytes[at] == rgb[im + 2])
          << tga << " pixel (" << col << ", " << row << ")";
    }
  }
}

}  // namespace

TEST(IndependentReaders, AShipsReportAndSideFilesReadBack) {
  TempDir dir;
  // Braces, a control byte and a code-page letter in the name the report prints.
  const auto hod = dir / "m{0}\x01\xe9.hod";
  WriteBytes(hod, FullModelHod().vec());
  ASSERT_EQ(Starquill({"report", hod.string()}, dir).status, 0);
  const auto rtf = dir / "m{0}_\xe9.HODreport.rtf";
  const std::string source = ReadText(rtf);
  EXPECT_EQ(RtfFrameProblem(source), "");
  TempDir scratch;
  const ProcessResult r = RunProgram(UNRTF_EXE, {"--text", rtf.string()}, scratch.path());
  ASSERT_EQ(r.status, 0) << r.err;
  // unrtf opens its text with a banner of "###" lines and a rule of dashes.
  EXPECT_EQ(Normalized(r.out.substr(r.out.find("-----------------\n") + 18)), IntendedText(source));
  EXPECT_EQ(ExpectObjFilesReadBack(dir.path()), 7);
}

TEST(IndependentReaders, TheImagesAndPointListsOfATgaJobReadBack) {
  TempDir dir;
  for (const bool topDown : {false, true}) {
    Bytes image;
    image.Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}).I16(12).I16(9).Raw({32, static_cast<uint8_t>(topDown ? 0x28 : 8)});
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 12; ++x) {
        const auto c = static_cast<uint8_t>((x == 4 && y == 4) || (x == 9 && y == 2) ? 160 : 5 + x + y);
        image.Raw({c, static_cast<uint8_t>(c / 2), static_cast<uint8_t>(c / 3), 255});
      }
    }
    WriteBytes(dir / "sky.tga", image.Zeros(17).vec());
    const ProcessResult r = Starquill({"tga", (dir / "sky.tga").string(), "--filter", "--save-halftoned"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectImageMagickSeesThePixels(dir / "sky_filtered.tga");
    ExpectImageMagickSeesThePixels(dir / "sky_halftoned.tga");
    EXPECT_EQ(ExpectObjFilesReadBack(dir.path()), 4);
  }
}
