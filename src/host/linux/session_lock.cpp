#include "host/linux/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

SessionLock::~SessionLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

SessionLock::Outcome SessionLock::Take(std::string_view session, std::string& error) {
  const std::string path = SessionLockPath(session, std::getenv("XDG_RUNTIME_DIR"), getuid());
  // Never through a link another user left in a shared folder.
  descriptor_ = open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor_ < 0) {
    error = "cannot open the lock file " + path + ": " + std::strerror(errno);
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
  error = "cannot lock " + path + ": " + std::strerror(cause);
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

std::string WaylandSession(const char* display) {
  return display != nullptr && display[0] != '\0' ? display : "wayland-0";
}
