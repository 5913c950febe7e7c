// A small linear congruential generator for the sample makers: the same numbers
// on every platform, so a sample file is the same bytes on every run.
#pragma once

#include <cstdint>

namespace sqsupport {

class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  float Between(float low, float high) { return low + (high - low) * static_cast<float>(Next()) / 16777216.0f; }

 private:
  uint32_t state_;
};

}  // namespace sqsupport
