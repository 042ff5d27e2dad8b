#include <unistd.h>

#include <cstdio>
#include <string>

#include "library/progress_line.h"

namespace tessaly {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(100);

std::string minutes_and_seconds(double seconds) {
  long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

} // namespace

ProgressLine::ProgressLine(size_t total, bool shown)
    : total_(total), shown_(shown && total > 0 && ::isatty(STDERR_FILENO) == 1),
      start_(Clock::now()) {}

ProgressLine::~ProgressLine() {
  clear();
}

void ProgressLine::update(size_t done) {
  if (!shown_)
    return;
  Clock::time_point now = Clock::now();
  if (written_ && now - last_ < kInterval)
    return;
  last_ = now;
  written_ = true;
  double seconds = std::chrono::duration<double>(now - start_).count();
  std::string line = "reading files: " + std::to_string(done) + " of " + std::to_string(total_);
  if (done > 0 && seconds > 0) {
    double rate = static_cast<double>(done) / seconds;
    line += ", " + std::to_string(static_cast<long>(rate + 0.5)) + " files/s, " +
            minutes_and_seconds(static_cast<double>(total_ - done) / rate) + " left";
  }
  // Back to the line's start, the text, and the rest of the old line erased.
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
}

void ProgressLine::clear() {
  if (!written_)
    return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  written_ = false;
}

} // namespace tessaly
