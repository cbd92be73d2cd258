#include "progress_line.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace kavro::app {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(2);
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

}  // namespace

ProgressLine::ProgressLine() : terminal_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::finish() {
  if (shown_length_ == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(shown_length_), "");
  std::fflush(stderr);
  shown_length_ = 0;
}

void ProgressLine::show(int pass, int passes, double done) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kQuietStart || now - last_shown_ < kRedrawInterval) return;
  last_shown_ = now;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - start_).count();
  std::string line = "pass " + std::to_string(pass) + " of " + std::to_string(passes) + ": " +
                     std::to_string(static_cast<int>(done * 100)) + " % of the reflections, " +
                     std::to_string(seconds) + " s";
  const std::size_t length = line.size();
  if (length < shown_length_) line.append(shown_length_ - length, ' ');
  std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  shown_length_ = std::max(shown_length_, length);
}

}  // namespace kavro::app
