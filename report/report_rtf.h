// The RTF report: a pure function from the parsed model to the document text.
// The folder report/ holds this header and its code:
//
//   report_rtf.cpp             the document frame, the file-level head, RtfText
//   report_rtf_background.cpp  the background sections
//   report_rtf_visual.cpp      the visual-model sections
//   report_rtf_detail.cpp      the detail sections and the BSRM check's lines
//   report_findings.h          the consistency checks, shared with `starquill check`
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "hod/hod_walk.h"

namespace sq {

// The three accumulators of one report and the working values the sections share.
struct ReportText {
  std::string head;  // RTF header, file-level lines, the open "Absent chunks: " line
  std::string body;  // every section from the background-light check on
  std::string tail;  // the BSRM/SSUB face-list check
  // Faces per level of detail over the MULT meshes; slot 5 the GOBG meshes,
  // slots 6 and 7 the SSUB sums of the BSRM check.
  std::array<int32_t, 8> lodFaces{};

  // Appends an absent chunk name to the open "Absent chunks: " line.
  void Absent(std::string_view chunkName);
};

// Text from a file made safe for RTF: \ { } escaped with a backslash, bytes
// below 0x20 and above 0x7E as \'hh. Ordinary names come out unchanged.
std::string RtfText(std::string_view text);

// Appends "\par" and CR LF.
void Par(std::string& out);
// Appends text, "\par" and CR LF.
void Par(std::string& out, std::string_view text);

std::string BuildReport(const Model& model, std::string_view name);

// The sections, in document order after the background-light check.
void AppendBackgroundSections(const Model& model, ReportText& report);
void AppendVisualSections(const Model& model, ReportText& report);
void AppendDetailSections(const Model& model, ReportText& report);

}  // namespace sq
