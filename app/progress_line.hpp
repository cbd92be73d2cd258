// The progress of a long run on standard error, when that is a terminal:
// "pass 1 of 2: 35 % of the reflections, 12 s", redrawn in place and wiped
// when the run ends. Runs shorter than two seconds show nothing.
#pragma once

#include <chrono>
#include <cstddef>

namespace kavro::app {

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void show(int pass, int passes, double done);
  // Wipes the line shown, if any.
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool terminal_ = false;
  Clock::time_point start_;
  Clock::time_point last_shown_;
  std::size_t shown_length_ = 0;  // 0: nothing on the line
};

}  // namespace kavro::app
