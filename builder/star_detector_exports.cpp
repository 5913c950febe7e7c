// The star exports: OBJ vertex lines, CR LF, appended to the files of the name.
#include "builder/star_detector.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "builder/tga_save.h"
#include "hod/text_forms.h"
#include "output/file_output.h"

namespace sq {

namespace {

// The mask file can hold millions of lines; they go out in slices of about this
// many bytes so the text never has to be held whole.
constexpr std::size_t kSliceBytes = 1 << 20;
// Room for one mask line ("v 32767 32767 0" and CR LF) and more.
constexpr std::size_t kLineBytes = 24;

// A star's coordinate as FormatFloat writes it. The coordinates are whole
// column and row numbers, which %.7G writes as plain digits below 10^7; those
// are written here without going through the general float formatting.
void AppendCoordinate(std::string& text, float value) {
  if (value >= 0.0f && value < 1e7f && value == static_cast<float>(static_cast<int32_t>(value))) {
    char digits[16];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(value)).ptr);
  } else {
    text += FormatFloat(value);
  }
}

}  // namespace

OutputReport ExportStars(const TgaTables& t, std::string_view baseName, OutputFolder& folder) {
  OutputReport report;
  for (std::size_t i = 0; i < t.starTable.size(); ++i) {
    const std::string name = SafeFileName(std::string(baseName) + "_StrPts" + std::to_string(i) + ".obj");
    SideFile file(folder, name);
    const StarList& list = t.starTable[i];
    std::string lines;
    for (const StarPoint& point : list.points) {
      lines += "v ";
      AppendCoordinate(lines, point.x);
      lines += ' ';
      AppendCoordinate(lines, point.y);
      lines += " 0\r\n";
      if (lines.size() >= SideFile::kBufferSize) {
        file.Text(lines);
        lines.clear();
      }
    }
    file.Text(lines);
    report.Add(folder.PathOf(name), file.Close());
  }

  const std::string name = SafeFileName(std::string(baseName) + "_cPts.obj");
  std::string error;
  std::string slice;
  // After a failed slice no later one is appended: the file never skips lines.
  auto flush = [&] {
    if (error.empty()) error = folder.Append(name, slice);
    slice.clear();
  };
  const MarkTable& marks = t.contrastMask;
  if (marks.Covers(t.tgaWidth, t.tgaHeight)) {
    slice.reserve(kSliceBytes + kLineBytes * static_cast<std::size_t>(t.tgaWidth));
    for (int y = 1; y <= marks.Height(); ++y) {
      // "v " column " " row " 0" CR LF, the row's part made once.
      char rowText[kLineBytes];
      char* rowEnd = std::to_chars(rowText, rowText + kLineBytes, y).ptr;
      const std::string_view tail = " 0\r\n";
      rowEnd = std::copy(tail.begin(), tail.end(), rowEnd);
      marks.ForEachWord(y, false, [&](std::size_t w) {
        MarkTable::ForEachColumn(marks.Window<0>(y, w), w, [&](int x) {
          char line[2 * kLineBytes] = {'v', ' '};
          char* end = std::to_chars(line + 2, line + kLineBytes, x).ptr;
          *end++ = ' ';
          end = std::copy(rowText, rowEnd, end);
          slice.append(line, static_cast<std::size_t>(end - line));
        });
      });
      if (slice.size() >= kSliceBytes) flush();
    }
  }
  flush();  // creates the file even when no mark is left
  report.Add(folder.PathOf(name), error);
  return report;
}

}  // namespace sq
