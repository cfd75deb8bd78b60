#include "host/linux/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/text/escaped_text.h"

SessionLock::~SessionLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

SessionLock::Outcome SessionLock::Take(std::string_view session, std::string& error) {
  const std::string path = SessionLockPath(session, std::getenv("XDG_RUNTIME_DIR"), getuid());
  const std::string shown = EscapeControls(path);
  // Never through a link another user left in a shared folder, and never
  // waiting: a FIFO opens at once without blocking, and is then refused.
  descriptor_ = open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
  if (descriptor_ < 0) {
    error = "cannot open the lock file " + shown + ": " + std::strerror(errno);
    return Outcome::Unavailable;
  }
  struct stat status {};
  const char* distrust = nullptr;
  if (fstat(descriptor_, &status) != 0) distrust = std::strerror(errno);
  else if (!S_ISREG(status.st_mode)) distrust = "it is not a regular file";
  else if (status.st_uid != getuid()) distrust = "it belongs to another user";
  // Another name for one of the user's files, made by someone who can read
  // it and so hold it locked.
  else if (status.st_nlink != 1) distrust = "it has other names";
  if (distrust != nullptr) {
    close(descriptor_);
    descriptor_ = -1;
    error = "cannot use the lock file " + shown + ": " + distrust;
    return Outcome::Unavailable;
  }
  int result;
  do result = flock(descriptor_, LOCK_EX | LOCK_NB);
  while (result != 0 && errno == EINTR);
  if (result == 0) return Outcome::Taken;
  const int cause = errno;
  close(descriptor_);
  descriptor_ = -1;
  if (cause == EWOULDBLOCK) return Outcome::HeldElsewhere;
  error = "cannot lock " + shown + ": " + std::strerror(cause);
  return Outcome::Unavailable;
}

bool SessionLock::TakeForSaver(std::string_view session, const char* program) {
  std::string error;
  switch (Take(session, error)) {
    case Outcome::HeldElsewhere:
      return false;
    case Outcome::Unavailable:
      std::cerr << program << ": " << error << "; running without it\n";
      return true;
    default:
      return true;
  }
}

std::string SessionLockPath(std::string_view session, const char* runtimeDir, unsigned uid) {
  std::string path;
  if (runtimeDir != nullptr && runtimeDir[0] == '/')
    path = std::string(runtimeDir) + "/quillmoor-saver.";
  else
    path = "/tmp/quillmoor-saver-" + std::to_string(uid) + ".";
  for (const char c : session) {
    if (c == '/') path += "%2F";
    else if (c == '%') path += "%25";
    else path += c;
  }
  return path + ".lock";
}

std::string X11Session(std::string_view display) {
  std::string session = "x11";
  const auto colon = display.rfind(':');
  if (colon == std::string_view::npos) {
    session += '-';
    session += display;
    return session;
  }
  const std::string_view host = display.substr(0, colon);
  std::string_view number = display.substr(colon + 1);
  if (const auto dot = number.find('.'); dot != std::string_view::npos) number = number.substr(0, dot);
  if (!host.empty() && host != "unix") {
    session += '-';
    session += host;
  }
  session += ':';
  session += number;
  return session;
}

std::string WaylandSocketPath(const char* display, const char* runtimeDir) {
  const std::string name = display != nullptr ? display : "wayland-0";
  if (!name.empty() && name[0] == '/') return name;
  if (runtimeDir == nullptr || runtimeDir[0] != '/') return {};
  return std::string(runtimeDir) + "/" + name;
}

std::string WaylandSession(const char* display, const char* runtimeDir) {
  const std::string path = WaylandSocketPath(display, runtimeDir);
  // A socket handed over in WAYLAND_SOCKET, without a runtime folder: the
  // name is all there is.
  if (path.empty()) return display != nullptr ? display : "wayland-0";
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}
