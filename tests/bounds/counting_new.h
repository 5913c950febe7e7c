// Counts the bytes held through operator new in this test program, so a test can
// ask how much one call allocated at its peak.
#pragma once

#include <cstddef>

namespace sqtest {

// Bytes held now, and the most held since the last ResetPeak().
std::size_t HeldBytes();
std::size_t PeakBytes();
void ResetPeak();

// The peak bytes allocated during one call, above what was held before it.
template <typename F>
std::size_t PeakDuring(F&& call) {
  const std::size_t before = HeldBytes();
  ResetPeak();
  call();
  return PeakBytes() - before;
}

}  // namespace sqtest
