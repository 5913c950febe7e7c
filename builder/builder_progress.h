// The progress of long builder work: a maximum and a value that rows add to,
// reported to the sink the face provides (which draws its bar and may let its
// window's events run).
#pragma once

#include <cstdint>

#include "hod/message.h"

namespace sq {

class Progress {
 public:
  explicit Progress(ProgressSink& sink) : sink_(sink) {}

  void Start(int64_t maximum) {
    maximum_ = maximum > 0 ? maximum : 0;
    value_ = 0;
    Show();
  }
  // Adds a finished row's pixels.
  void AddRow(int64_t pixels) {
    value_ += pixels;
    Show();
  }
  void Set(int64_t value) {
    value_ = value;
    Show();
  }
  int64_t Value() const { return value_; }
  int64_t Maximum() const { return maximum_; }

 private:
  void Show() { sink_.Progress(value_, maximum_); }

  ProgressSink& sink_;
  int64_t maximum_ = 0;
  int64_t value_ = 0;
};

}  // namespace sq
