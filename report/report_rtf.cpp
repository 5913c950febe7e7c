// Document frame, file-level head and the background-light check.
#include "report/report_rtf.h"

#include "report/report_findings.h"

namespace sq {

void ReportText::Absent(std::string_view chunkName) {
  head.append(chunkName);
  head.append("; ");
}

std::string RtfText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  static constexpr char kHex[] = "0123456789abcdef";
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '\\' || ch == '{' || ch == '}') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20 || byte > 0x7E) {
      out += "\\'";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

void Par(std::string& out) { out.append("\\par\r\n"); }

void Par(std::string& out, std::string_view text) {
  out.append(text);
  Par(out);
}

namespace {

void AppendHead(const Model& model, std::string_view name, ReportText& report) {
  std::string& head = report.head;
  head.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n");
  head.append("\\viewkind4\\uc1\\pard\\f0\\fs20 \\par\r\n");
  head.append("Report on ").append(RtfText(name)).append(" HOD file: ");

  if (const auto length = LeadingFormFinding(model)) {
    Par(head);
    Par(head, length->text);
  }

  if (const auto version = VersionFinding(model)) {
    Par(head);
    Par(head, version->text);
  } else if (model.hodHeader.hodVersion == 1000) {
    head.append("this is a BACKGROUND HOD");
  } else if (model.hasLITE) {
    head.append("this is a Background (Lighting) HOD");
  }

  if (model.hierarchyCount != 0) {
    Par(head, "containing " + FormatInt(model.hierarchyCount) + " hierarchy objects.");
  } else {
    Par(head, " without hierarchy objects.");
  }
  Par(head);

  // The fixed words hold nothing RTF escapes, so the whole text is escaped at once.
  for (const auto& info : {InfoWarningFinding(model), InfoErrorFinding(model)}) {
    if (!info) continue;
    Par(head, RtfText(info->text));
    Par(head);
  }
  head.append("Absent chunks: ");
}

}  // namespace

std::string BuildReport(const Model& model, std::string_view name) {
  ReportText report;
  AppendHead(model, name, report);

  if (const auto lights = BackgroundLightsFinding(model)) {
    Par(report.body);
    Par(report.body, lights->text);
  }
  AppendBackgroundSections(model, report);
  AppendVisualSections(model, report);
  AppendDetailSections(model, report);

  std::string document;
  document.reserve(report.head.size() + report.body.size() + report.tail.size() + 32);
  document.append(report.head);
  Par(document);
  document.append(report.body);
  document.append(report.tail);
  Par(document);
  document.append("}");
  Par(document);
  return document;
}

}  // namespace sq
