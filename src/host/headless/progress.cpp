#include "host/headless/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

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

// The terminal's width now (it may have been resized), 80 if it does not say.
int Columns(std::FILE* stream) {
  winsize size{};
  return ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace

std::string ProgressLine(int done, int total, double rate, int columns) {
  const std::string count = std::to_string(done) + "/" + std::to_string(total);
  char speed[32];
  std::snprintf(speed, sizeof speed, "%.1f", rate);
  const std::string left = (rate > 0 ? Duration((total - done) / rate) : "?") + " left";
  const std::string forms[] = {"quillmoor-render: " + count + " frames, " + speed + " frames/s, " + left,
                               count + " frames, " + speed + " frames/s, " + left,
                               count + ", " + speed + "/s, " + left, count};
  const std::size_t room = static_cast<std::size_t>(std::max(columns - 1, 0));
  for (const std::string& form : forms)
    if (form.size() <= room) return form;
  return "";  // a count cut short would tell a wrong number
}

Progress::Progress(int total, std::FILE* stream)
    : total_(total), stream_(stream && isatty(fileno(stream)) ? stream : nullptr) {}

void Progress::Update(int done) {
  if (stream_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < QuietStart || (showing_ && now - shown_ < Refresh && done < total_)) return;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const int columns = Columns(stream_);
  const std::string line = ProgressLine(done, total_, done / elapsed, columns);
  if (line.empty() && !showing_) return;  // too narrow for any line, and none to clear
  shown_ = now;
  showing_ = true;
  // Spaces cover what is left of a longer line before, as far as the line may reach.
  const std::size_t room = static_cast<std::size_t>(std::max(columns - 1, 0));
  const std::size_t reach = std::min(shownLength_, room);
  const std::size_t cover = reach > line.size() ? reach - line.size() : 0;
  std::fprintf(stream_, "\r%s%*s", line.c_str(), static_cast<int>(cover), "");
  std::fflush(stream_);
  shownLength_ = line.size();
}

void Progress::Finish() {
  if (showing_) std::fputc('\n', stream_);
  showing_ = false;
}
