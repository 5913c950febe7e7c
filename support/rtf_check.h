// A structural check of the RTF documents the program writes, shared by the
// tests and the fuzz targets: the frame any RTF reader needs to parse a file.
#pragma once

#include <string>
#include <string_view>

namespace sqsupport {

// Returns why `rtf` is not a well-formed document, or an empty string: it must
// open with "{\rtf1", keep its braces balanced outside escapes (never closing
// below depth zero), end the document group once with only "\par" and line ends
// behind it, write every byte outside printable ASCII as a \'hh escape, and never
// end in a lone backslash.
std::string RtfFrameProblem(std::string_view rtf);

}  // namespace sqsupport
