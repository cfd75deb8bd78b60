#include "host/headless/output_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"

namespace {

bool closedAtStart[3] = {false, false, false};

std::atomic<bool> abandoned{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The descriptor written in digits after `prefix`, or -1.
int NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size() || name.size() > prefix.size() + 9)
    return -1;
  int number = 0;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

int StreamDescriptor(std::string_view name) {
  if (name == "-" || name == "/dev/stdout") return STDOUT_FILENO;
  if (name == "/dev/stderr") return STDERR_FILENO;
  if (name == NullDevice) {
    static const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    return sink;
  }
  const int fd = NumberAfter(name, "/dev/fd/");
  return fd >= 0 ? fd : NumberAfter(name, "/proc/self/fd/");
}

std::string StreamTitle(std::string_view name) {
  switch (StreamDescriptor(name)) {
    case STDOUT_FILENO: return "standard output";
    case STDERR_FILENO: return "standard error";
    default: return Quoted(name);
  }
}

void GuardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    closedAtStart[fd] = true;
    const int opened = open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) close(opened);
  }
}

bool CheckStream(std::string_view name, const char* what, std::string& error) {
  const int fd = StreamDescriptor(name);
  const int flags = fd <= 2 && closedAtStart[fd] ? -1 : fcntl(fd, F_GETFL);
  if (flags != -1 && (flags & O_ACCMODE) != O_RDONLY) return true;
  error = std::string("cannot write ") + what + " to " + StreamTitle(name) + ": " + std::strerror(EBADF);
  return false;
}

void AbandonWrites(bool abandon) { abandoned.store(abandon); }
bool WritesAbandoned() { return abandoned.load(); }

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (WritesAbandoned()) {
      errno = EINTR;
      return false;
    }
    const ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    // A descriptor its opener made non-blocking (a pipe whose reader is
    // slower than we are) is waited for, as a blocking one would be.
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd, POLLOUT, 0};
      if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
      return false;
    }
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}
