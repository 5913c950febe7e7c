#include "tests/independent_readers.h"

#include <charconv>
#include <cstdlib>
#include <set>
#include <span>
#include <sstream>
#include <tuple>

#include "hod/tga_header.h"
#include "support/rtf_check.h"
#include "tests/test_kit.h"

namespace sqtest {

namespace {

// Blanks, tabs and line ends become one blank; bytes above 0x7E become '?', since
// a reader may show a code-page character as one byte or several.
std::string Normalized(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += byte > 0x7E ? '?' : c;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

ProcessResult Run(const std::string& program, const std::vector<std::string>& args) {
  TempDir scratch;
  return RunProgram(program, args, scratch.path());
}

// The text a report is meant to show, line by line: "\par" and "\tab " removed,
// \\ \{ \} and \'hh decoded, runs of blanks and line ends as one blank. A backslash
// that is none of these is markup the report never writes, and is a problem.
std::vector<std::string> IntendedReportLines(std::string_view rtf, Problems& problems) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < rtf.size()) {
    std::size_t end = rtf.find("\r\n", start);
    if (end == std::string_view::npos) end = rtf.size();
    std::string_view line = rtf.substr(start, end - start);
    start = end + 2;
    ++lineNumber;
    // The frame: the font table line, the paragraph set-up line, the closing brace.
    if (lineNumber == 1 || line.starts_with("\\viewkind4") || line == "}\\par") continue;
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '\\') {
        text += line[i];
      } else if (line.substr(i).starts_with("\\par") && (i + 4 == line.size() || line[i + 4] == '\\')) {
        text += ' ';
        i += 3;
      } else if (line.substr(i).starts_with("\\tab ")) {
        text += ' ';
        i += 4;
      } else if (i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '{' || line[i + 1] == '}')) {
        text += line[++i];
      } else if (i + 3 < line.size() && line[i + 1] == '\'' && HexDigit(line[i + 2]) >= 0 &&
                 HexDigit(line[i + 3]) >= 0) {
        text += static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
        i += 3;
      } else {
        problems.push_back("line " + std::to_string(lineNumber) +
                           " holds markup the report never writes: " + std::string(line.substr(i, 12)));
        text += line[i];
      }
    }
    const std::string normal = Normalized(text);
    if (!normal.empty()) lines.push_back(normal);
  }
  return lines;
}

}  // namespace

Problems CheckReportWithUnrtf(const std::filesystem::path& rtf) {
  Problems problems;
  const std::string source = ReadText(rtf);
  if (const std::string frame = RtfFrameProblem(source); !frame.empty()) problems.push_back(frame);
  const std::vector<std::string> expected = IntendedReportLines(source, problems);

  const ProcessResult r = Run(UNRTF_EXE, {"--text", rtf.string()});
  if (r.status != 0 || !r.err.empty()) {
    problems.push_back("unrtf failed (status " + std::to_string(r.status) + "): " + r.err);
    return problems;
  }
  // unrtf opens its text with a banner of "###" lines and a rule of dashes.
  std::string text = r.out;
  if (const std::size_t rule = text.find("-----------------\n"); rule != std::string::npos) text.erase(0, rule + 18);
  const std::string shown = Normalized(text);

  std::size_t from = 0;
  for (const std::string& line : expected) {
    const std::size_t at = shown.find(line, from);
    if (at == std::string::npos) {
      problems.push_back("unrtf does not show \"" + line + "\" where the report has it");
    } else {
      from = at + line.size();
    }
  }
  for (std::string_view title : {"Report on ", "Absent chunks:"}) {
    if (shown.find(title) == std::string::npos) problems.push_back("unrtf shows no \"" + std::string(title) + "\"");
  }
  return problems;
}

ObjCounts ParseObj(std::string_view text, Problems& problems) {
  ObjCounts counts;
  std::set<std::tuple<float, float, float>> groupPositions;
  std::set<std::string> groupCorners;
  std::set<long> usedVertices;
  long sinceVertexComment = 0, sinceFaceComment = 0, normals = 0, textures = 0, groupStart = 0;
  const auto closeGroup = [&] {
    groupStart = counts.vertexLines;
    counts.cornersUsed += static_cast<long>(groupCorners.size());
    groupCorners.clear();
    groupPositions.clear();
  };
  std::istringstream in{std::string(text)};
  std::string line;
  int lineNumber = 0;
  const auto fail = [&](const std::string& why) {
    problems.push_back("line " + std::to_string(lineNumber) + ": " + why + ": \"" + line + "\"");
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    if (line.empty() || line.back() != '\r') {
      if (!in.eof() || !line.empty()) fail("a line that does not end in CR LF");
    } else {
      line.pop_back();
    }
    if (line.empty()) continue;
    if (line.starts_with("g ")) {
      closeGroup();
    } else if (line.starts_with("v ")) {
      float xyz[3];
      const char* p = line.data() + 2;
      const char* end = line.data() + line.size();
      for (int k = 0; k < 3; ++k) {
        auto [next, ec] = std::from_chars(p, end, xyz[k]);
        if (ec != std::errc()) {
          fail("a vertex coordinate that is not a number");
          break;
        }
        p = next;
        if (k < 2) {
          if (p == end || *p != ' ') {
            fail("a vertex without three blank-separated numbers");
            break;
          }
          ++p;
        }
      }
      if (p != end) fail("text behind a vertex's three numbers");
      if (!groupPositions.insert({xyz[0], xyz[1], xyz[2]}).second) counts.plainDistinctAndAllUsed = false;
      ++counts.vertexLines;
      ++sinceVertexComment;
    } else if (line.starts_with("f  ")) {
      ++counts.faceLines;
      ++sinceFaceComment;
      // Each corner: position[/texture/normal], 1-based, referring to lines already read.
      std::istringstream corners(line.substr(3));
      std::string corner;
      int cornerCount = 0;
      while (corners >> corner) {
        ++cornerCount;
        groupCorners.insert(corner);
        long refs[3] = {0, 0, 0};
        int parts = 0;
        std::size_t from = 0;
        while (parts < 3) {
          const std::size_t slash = corner.find('/', from);
          refs[parts++] = std::strtol(corner.c_str() + from, nullptr, 10);
          if (slash == std::string::npos) break;
          from = slash + 1;
        }
        if (parts > 1) counts.plainDistinctAndAllUsed = false;
        if (refs[0] < 1 || refs[0] > counts.vertexLines) fail("a face corner names a vertex that is not there");
        if (refs[0] <= groupStart) counts.facesReachBehindTheirGroup = true;
        if (parts > 1 && (refs[1] < 1 || refs[1] > textures))
          fail("a face corner names a texture coordinate that is not there");
        if (parts > 2 && (refs[2] < 1 || refs[2] > normals)) fail("a face corner names a normal that is not there");
        usedVertices.insert(refs[0]);
      }
      if (cornerCount < 3) fail("a face of fewer than three corners");
    } else if (line.starts_with("vn ")) {
      ++normals;
    } else if (line.starts_with("vt ")) {
      ++textures;
    } else if (line.starts_with("# ")) {
      const std::string_view rest = std::string_view(line).substr(2);
      long n = 0;
      auto [next, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
      const std::string_view word = ec == std::errc() ? std::string_view(next, rest.data() + rest.size() - next) : "";
      if (word == " vertices") {
        if (n != sinceVertexComment)
          fail("says " + std::to_string(n) + " vertices after " + std::to_string(sinceVertexComment) + " vertex lines");
        counts.statedVertices += n;
        sinceVertexComment = 0;
      } else if (word == " faces" || word == " face") {
        if (n != sinceFaceComment)
          fail("says " + std::to_string(n) + " faces after " + std::to_string(sinceFaceComment) + " face lines");
        counts.statedFaces += n;
        sinceFaceComment = 0;
      }
    } else {
      fail("a line of no OBJ form the program writes");
    }
  }
  closeGroup();
  if (static_cast<long>(usedVertices.size()) != counts.vertexLines) counts.plainDistinctAndAllUsed = false;
  return counts;
}

Problems CheckObj(const std::filesystem::path& obj) {
  Problems problems;
  const ObjCounts counts = ParseObj(ReadText(obj), problems);
  if (counts.faceLines == 0) return problems;  // a point list: our parser is its reader

  const ProcessResult r = Run(ASSIMP_EXE, {"info", obj.string()});
  if (r.status != 0) {
    problems.push_back("assimp cannot load it (status " + std::to_string(r.status) + "): " + r.err.substr(0, 400));
    return problems;
  }
  const auto field = [&](std::string_view name) -> long {
    const std::size_t at = r.out.find("\n" + std::string(name) + ":");
    if (at == std::string::npos) return -1;
    return std::strtol(r.out.c_str() + at + name.size() + 2, nullptr, 10);
  };
  const long faces = field("Faces"), vertices = field("Vertices");
  if (counts.facesReachBehindTheirGroup ? (faces < 1 || faces > counts.statedFaces) : faces != counts.statedFaces) {
    problems.push_back("assimp reads " + std::to_string(faces) + " faces, the comments state " +
                       std::to_string(counts.statedFaces));
  }
  // assimp keeps one vertex per distinct corner a group's faces use, joining corners
  // of equal values.
  if (counts.plainDistinctAndAllUsed ? vertices != counts.statedVertices
                                     : (vertices < 1 || vertices > counts.cornersUsed)) {
    problems.push_back("assimp reads " + std::to_string(vertices) + " vertices; the comments state " +
                       std::to_string(counts.statedVertices) + ", the faces use " + std::to_string(counts.cornersUsed) +
                       " distinct corners");
  }
  return problems;
}

Problems CheckTga(const std::filesystem::path& tga) {
  Problems problems;
  const std::string bytes = ReadText(tga);
  if (bytes.size() < sq::kTgaHeaderSize) return {"shorter than a TGA header"};
  const sq::TgaHeader header = sq::ParseTgaHeader(
      std::span<const uint8_t, sq::kTgaHeaderSize>(reinterpret_cast<const uint8_t*>(bytes.data()), sq::kTgaHeaderSize));
  const std::size_t width = header.width, height = header.height;
  if (header.colourMapType != 0 || header.imageType != sq::kTgaTrueColour || header.pixelDepth != 32) {
    return {"not an uncompressed 32-bit true-colour TGA"};
  }
  const std::size_t first = sq::kTgaHeaderSize + header.idLength;
  const auto u8 = [&](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() < first + width * height * 4) return {"holds fewer pixels than its header states"};

  const ProcessResult size = Run(IDENTIFY_EXE, {"-format", "%w %h", tga.string()});
  if (size.status != 0 || size.out != std::to_string(width) + " " + std::to_string(height)) {
    problems.push_back("ImageMagick reads the size \"" + size.out + "\" " + size.err.substr(0, 200) +
                       ", the header states " + std::to_string(width) + " " + std::to_string(height));
    return problems;
  }
  // The file holds its rows bottom-up unless bit 5 of the descriptor is set;
  // ImageMagick keeps that as the image's orientation, applied by -auto-orient.
  TempDir scratch;
  const auto raw = scratch / "pixels.rgb";
  const ProcessResult conv =
      RunProgram(CONVERT_EXE, {tga.string(), "-auto-orient", "-depth", "8", "rgb:" + raw.string()}, scratch.path());
  const std::string rgb = ReadText(raw);
  if (conv.status != 0 || rgb.size() != width * height * 3) {
    problems.push_back("ImageMagick cannot give the pixels: " + conv.err.substr(0, 200));
    return problems;
  }
  const bool topDown = header.TopRowFirst();
  for (std::size_t row = 0; row < height && problems.size() < 5; ++row) {
    const std::size_t fileRow = topDown ? row : height - 1 - row;
    for (std::size_t col = 0; col < width; ++col) {
      const std::size_t at = first + (fileRow * width + col) * 4;
      const std::size_t im = (row * width + col) * 3;
      if (u8(at + 2) != static_cast<uint8_t>(rgb[im]) || u8(at + 1) != static_cast<uint8_t>(rgb[im + 1]) ||
          u8(at) != static_cast<uint8_t>(rgb[im + 2])) {
        problems.push_back("pixel (" + std::to_string(col) + ", " + std::to_string(row) +
                           ") differs from ImageMagick's");
        break;
      }
    }
  }
  return problems;
}

Problems CheckOutputsIn(const std::filesystem::path& folder) {
  Problems problems;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    Problems found;
    if (name.ends_with(".HODreport.rtf")) {
      found = CheckReportWithUnrtf(entry.path());
    } else if (name.ends_with(".obj") || name.ends_with(".OBJ")) {
      found = CheckObj(entry.path());
    } else if (name.ends_with("_halftoned.tga") || name.ends_with("_filtered.tga")) {
      found = CheckTga(entry.path());
    }
    for (const std::string& p : found) problems.push_back(name + ": " + p);
  }
  return problems;
}

}  // namespace sqtest
