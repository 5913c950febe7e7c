// The consistency checks of the report, each a function of the parsed model. The
// report writes what they find into its sections, byte for byte as it always has;
// `starquill check` prints the same findings one to a line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hod/hod_walk.h"

namespace sq {

// A warning marks a file that is unusual but may be meant so; an error one whose
// parts do not fit together.
enum class Severity { Warning, Error };

// The chunk a finding is about, for whoever knows where the walk met it: the
// chunk or bare token named `name` (its id, or the token) at `row` of its
// table's last run, counted from 1, or the first one met when `row` is 0;
// `byte` is the field's distance from the chunk's start. An empty name points
// nowhere.
struct ChunkRef {
  std::string name;
  std::size_t row = 0;
  std::size_t byte = 0;
};

struct Finding {
  Severity severity = Severity::Warning;
  std::string text;  // as the model holds it; not yet escaped for the report
  ChunkRef chunk;
};

// The file's head: the leading VERS form's length and the version.
std::optional<Finding> LeadingFormFinding(const Model& model);
std::optional<Finding> VersionFinding(const Model& model);
// The warning and the error message an INFO form carries.
std::optional<Finding> InfoWarningFinding(const Model& model);
std::optional<Finding> InfoErrorFinding(const Model& model);
// A background lighting file holds three lights.
std::optional<Finding> BackgroundLightsFinding(const Model& model);

// The highest texture index of the NRML STAT or SHAD parameters, 0 when there are none.
int32_t MaxTextureIndex(const Model& model);
// A model file without any material.
std::optional<Finding> StatHeadersFinding(const Model& model);
// The materials' texture indices against the LMIP textures. A material pointing
// past the last texture is an error; textures no material reaches are a warning.
std::optional<Finding> TextureCountFinding(const Model& model);
// A marker whose separator is not zero.
std::optional<Finding> SeparatorFinding(const Model& model);

// Faces per level of detail 0 to 4 over all MULT meshes, and over all GOBG meshes.
std::array<int32_t, 5> MultLevelFaces(const Model& model);
int32_t GoblinFaces(const Model& model);

// The BSRM check: the count of BSRM records against MULT and GOBG records, and
// each record's SSUB face lists against its TRIS and VNRM face counts.
struct SsubCheck {
  bool hasLists = false;
  std::size_t listCount = 0;
  int64_t highest = 0;    // the highest face index over the lists, 0 without lists
  bool mismatch = false;  // highest + 1 differs from the VNRM or the TRIS face count
};
struct BsrmCheck {
  std::size_t expected = 0;  // MULT records, and GOBG records when there are goblins
  std::vector<SsubCheck> records;
  // Sums of highest + 1 over the non-goblin and the goblin records, held at the
  // ends of the 32-bit range.
  int32_t nonGoblinSum = 0;
  int32_t goblinSum = 0;
};
BsrmCheck CheckBsrm(const Model& model);

inline constexpr std::string_view kNoSsubLists = "No SSUB face-lists found in BSRM-chunk no. ";
inline constexpr std::string_view kNonGoblinSums =
    "The sum of all of the highest face indices of all non-goblin SSUB chunks"
    " does not correspond to the sum of all LOD0 faces in all (MULT) BMSH chunks";
inline constexpr std::string_view kGoblinSums =
    "The sum of all of the highest face indices of all GOBLIN SSUB chunks"
    " does not correspond to the sum of all faces in all (GOBG) BMSH chunks";

// The findings of the BSRM check, in the order the report shows them.
std::vector<Finding> BsrmFindings(const Model& model, const BsrmCheck& check);

// Every finding of the report, in the order it shows them.
std::vector<Finding> ModelFindings(const Model& model);

}  // namespace sq
