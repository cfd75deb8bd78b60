// One full-screen saver per session. An idle tool that starts its command on
// every timeout (swayidle without -w, xautolock, xidlehook) would otherwise
// stack a second saver above the first, and a key would end only the top
// one. The saver that ends on input holds an exclusive lock on a file named
// after its session (the Wayland socket, the X display) in XDG_RUNTIME_DIR,
// or in /tmp under the user's id where that is not set; a second one finds
// the lock held and ends at once, before it touches the display. The lock
// goes with the process, however it ends.
#pragma once

#include <string>
#include <string_view>

class SessionLock {
 public:
  enum class Outcome {
    Taken,          // this is the session's saver
    HeldElsewhere,  // another saver of the session runs
    Unavailable,    // the file cannot be made or locked: see `error`
  };

  SessionLock() = default;
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

  // Takes the lock for `session`, e.g. "x11:0" or "wayland-1".
  Outcome Take(std::string_view session, std::string& error);

  // For a saver about to start: false when another saver of the session
  // holds the lock. A lock that cannot be had for another reason (a
  // read-only or foreign folder) is told on standard error after
  // "PROGRAM: ", and the saver runs without it: better two savers than none.
  bool TakeForSaver(std::string_view session, const char* program);

 private:
  int descriptor_ = -1;
};

// The lock file's path for `session` with the runtime folder `runtimeDir`
// (XDG_RUNTIME_DIR, null or relative if unusable) and the user `uid`: the
// session's name with '/' and '%' written as %2F and %25.
std::string SessionLockPath(std::string_view session, const char* runtimeDir, unsigned uid);

// The session an X display name belongs to: its host and display number
// without the screen (":0.1" and ":0" are one session, "unix:0" is ":0").
std::string X11Session(std::string_view display);

// The session of a Wayland socket name (WAYLAND_DISPLAY, "wayland-0" when
// unset or empty).
std::string WaylandSession(const char* display);
