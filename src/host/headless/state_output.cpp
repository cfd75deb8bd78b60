#include "host/headless/state_output.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "host/headless/output_stream.h"
#include "host/headless/state_json.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"

namespace {

// About 5,000 lines of about 1.6 kB.
constexpr std::size_t HeldBytes = std::size_t{8} << 20;

}  // namespace

bool StateOutput::Start(const std::string& name, std::string& error, bool* badTarget) {
  name_ = name;
  stream_ = StreamDescriptor(name) >= 0;
  if (stream_) {
    if (CheckStream(name, "the state", error)) return true;
    *badTarget = true;
    return false;
  }
  // The folder is tried by making the temporary file there; it is made
  // again when the lines are written.
  if (!file_.Open(name, error, badTarget) || !file_.TakesData(error)) return false;
  RemoveStaleTemporaries(FolderOf(file_.Target()));
  file_.Discard();
  return true;
}

std::string StateOutput::Line(int frame) {
  std::ostringstream json;
  WriteStateJson(json, frame);
  return json.str();
}

std::string StateOutput::Title() const { return stream_ ? StreamTitle(name_) : Quoted(name_); }

bool StateOutput::Add(const std::string& line, std::string& error) {
  if (stream_) {
    if (WriteAll(StreamDescriptor(name_), line.data(), line.size())) {
      ++lines_;
      return true;
    }
    const int cause = errno;
    error = "cannot write the state to " + StreamTitle(name_) + ": " + std::strerror(cause);
    errno = cause;
    return false;
  }
  ++lines_;
  held_ += line;
  return held_.size() < HeldBytes || WriteHeld(error);
}

bool StateOutput::WriteHeld(std::string& error) {
  if (!file_.IsOpen() && !file_.Open(name_, error)) return false;
  const bool written = file_.Write(held_.data(), held_.size(), error);
  held_.clear();
  return written;
}

bool StateOutput::Finish(std::string& error) {
  if (stream_ || lines_ == 0) return true;
  return WriteHeld(error) && file_.Commit(error);
}
