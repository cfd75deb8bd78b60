// Progress of a long render on a terminal: frames done, frames per second and
// time left on one line of standard error, rewritten in place with '\r' at
// most four times a second, and ended with a newline.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class Progress {
 public:
  // Shows nothing unless `stream` is a terminal, and nothing in the first
  // half second, so that short renders stay quiet.
  Progress(int total, std::FILE* stream);
  ~Progress() { Finish(); }

  void Update(int done);
  // Ends the line, if one was shown, so that what follows starts afresh.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  int total_;
  std::FILE* stream_;  // null when nothing is shown
  Clock::time_point start_ = Clock::now();
  Clock::time_point shown_{};
  bool showing_ = false;
  std::size_t shownLength_ = 0;
};

// The progress line for a terminal `columns` wide: the longest of its forms
// that leaves the last column free, so that the terminal never wraps it (a
// wrapped line could not be rewritten in place), cut short if none does.
std::string ProgressLine(int done, int total, double rate, int columns);
