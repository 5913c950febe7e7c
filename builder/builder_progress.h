// The progress bar of long builder work: a maximum and a value that rows add to.
// The platform takes ints; a maximum beyond that range is scaled down on the way
// out, so an 32767 x 32767 image still shows sensible progress.
#pragma once

#include <cstdint>
#include <limits>

#include "hod/platform.h"

namespace sq {

class Progress {
 public:
  explicit Progress(Platform& platform) : platform_(platform) {}

  void Start(int64_t maximum) {
    maximum_ = maximum > 0 ? maximum : 0;
    scale_ = maximum_ / std::numeric_limits<int>::max() + 1;
    value_ = 0;
    Show();
  }
  // Adds a finished row's pixels and lets pending events run.
  void AddRow(int64_t pixels) {
    value_ += pixels;
    Show();
    platform_.DoEvents();
  }
  void Set(int64_t value) {
    value_ = value;
    Show();
  }
  int64_t Value() const { return value_; }
  int64_t Maximum() const { return maximum_; }

 private:
  void Show() { platform_.SetProgress(static_cast<int>(maximum_ / scale_), static_cast<int>(value_ / scale_)); }

  Platform& platform_;
  int64_t maximum_ = 0;
  int64_t value_ = 0;
  int64_t scale_ = 1;
};

}  // namespace sq
