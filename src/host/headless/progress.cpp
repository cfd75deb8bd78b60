#include "host/headless/progress.h"

#include <unistd.h>

#include <string>

namespace {

constexpr auto QuietStart = std::chrono::milliseconds(500);
constexpr auto Refresh = std::chrono::milliseconds(250);

std::string Duration(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

Progress::Progress(int total, std::FILE* stream)
    : total_(total), stream_(stream && isatty(fileno(stream)) ? stream : nullptr) {}

void Progress::Update(int done) {
  if (stream_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < QuietStart || (showing_ && now - shown_ < Refresh && done < total_)) return;
  shown_ = now;
  showing_ = true;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double rate = done / elapsed;
  const std::string left = rate > 0 ? Duration((total_ - done) / rate) : "?";
  // Trailing spaces cover the end of a longer line before.
  std::fprintf(stream_, "\rquillmoor-render: %d/%d frames, %.1f frames/s, %s left    ", done, total_, rate,
               left.c_str());
  std::fflush(stream_);
}

void Progress::Finish() {
  if (showing_) std::fputc('\n', stream_);
  showing_ = false;
}
