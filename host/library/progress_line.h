// One line on a terminal's standard error that says how far a long reading is, rewritten in
// place: "reading files: 1200 of 5000, 800 files/s, 0:05 left". Nothing at all when standard
// error is no terminal, so that logs and pipes stay clean.
#pragma once

#include <chrono>
#include <cstddef>

namespace tessaly {

class ProgressLine {
public:
  // shown: false for --quiet; the line also needs a terminal.
  ProgressLine(size_t total, bool shown);
  ~ProgressLine(); // clears the line
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // done of total: the line is written now if it never was, else at most ten times a second.
  void update(size_t done);
  // Takes the line away, so that what follows starts on a clean line.
  void clear();

private:
  using Clock = std::chrono::steady_clock;
  size_t total_;
  bool shown_;
  bool written_ = false;
  Clock::time_point start_;
  Clock::time_point last_;
};

} // namespace tessaly
