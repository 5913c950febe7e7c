// Passes over a walked model that write files through an output folder. The
// folder exports/ holds:
//
//   side_exports.h   the report's side exports: VARY and light OBJ files, the
//                    hierarchy, trails, burns and bounds
#pragma once

#include <string>
#include <vector>

#include "hod/hod_model.h"
#include "output/output_folder.h"

namespace sq {

// A file a pass could not write whole: its name in the folder, and why (the
// folder's reason, which names the file's path and the system's reason).
struct ExportFailure {
  std::string file;
  std::string reason;
  bool operator==(const ExportFailure&) const = default;
};

// Appends the side exports of every chunk the walk noted, in reading order:
// "VARY_" name ".obj", "LITEs.OBJ", "HIER1.obj" and "HIER2.txt",
// "etshCpoints.obj", "burn" k "Cpoints.obj" and "BNDVpoints.obj", lines ending
// in CR LF. A file that fails is named once, and nothing more is appended to it.
// Returns the failures in the order the files failed; none when all were written.
std::vector<ExportFailure> WriteSideExports(const Model& model, OutputFolder& folder);

}  // namespace sq
