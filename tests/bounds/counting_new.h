// Counts the bytes held through operator new in this test program, so a test can
// ask how much one call allocated at its peak.
#pragma once

#include <cstddef>
#include <functional>

namespace sqtest {

// What a walk and a report may hold beyond the file: the model's fixed parts, a
// report of a few kilobytes, messages and paths.
inline constexpr std::size_t kSlack = 64 * 1024;

// The peak bytes allocated during one call, above what was held before it.
std::size_t PeakDuring(const std::function<void()>& call);

}  // namespace sqtest
