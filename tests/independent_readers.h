// Outputs of the program read back by programs that are not ours: reports by
// unrtf, OBJ files with faces by assimp, TGA images by ImageMagick; OBJ point
// lists by a small line parser of the tests. Each check returns its problems.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sqtest {

using Problems = std::vector<std::string>;

// Parses the report with `unrtf --text` and checks that it holds every line the
// report is meant to show, in order, and the report's fixed titles.
Problems CheckReportWithUnrtf(const std::filesystem::path& rtf);

// The counts an OBJ side file states in its comment lines ("# N vertices",
// "# N faces"), and what its own lines hold, as our small parser reads them.
struct ObjCounts {
  long statedVertices = 0, statedFaces = 0;
  long vertexLines = 0, faceLines = 0;
  // Distinct corners ("7" or "7/2/2") the faces of each group use, summed over groups:
  // the most vertices an OBJ reader that joins shared corners can make.
  long cornersUsed = 0;
  // True when every corner is a plain index, every vertex is used by a face of its
  // group and no two vertices of a group coincide: then a reader keeps exactly
  // the stated vertices.
  bool plainDistinctAndAllUsed = true;
  // A face that uses a vertex of an earlier group: what an appended second copy of
  // an export holds, since each copy numbers its vertices from 1. A reader may
  // then keep fewer faces than the comments state.
  bool facesReachBehindTheirGroup = false;
};
ObjCounts ParseObj(std::string_view text, Problems& problems);

// A file with faces is loaded by `assimp info`; a point list is parsed by ParseObj
// alone. Either way the comment counts must match the lines.
Problems CheckObj(const std::filesystem::path& obj);

// Reads the image with ImageMagick and compares its size and every pixel with our
// own reading of the uncompressed 32-bit TGA.
Problems CheckTga(const std::filesystem::path& tga);

// Runs the check that fits each output in a folder and below it: "*.HODreport.rtf", "*.obj" /
// "*.OBJ", "*_halftoned.tga", "*_filtered.tga". Other files (inputs) are left alone.
Problems CheckOutputsIn(const std::filesystem::path& folder);

}  // namespace sqtest
