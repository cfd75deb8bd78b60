// One full-screen saver per session. An idle tool that starts its command on
// every timeout (swayidle without -w, xautolock, xidlehook) would otherwise
// stack a second saver above the first, and a key would end only the top
// one. The saver that ends on input holds an exclusive lock on a file named
// after its session (the Wayland socket, the X display) in XDG_RUNTIME_DIR,
// or in /tmp under the user's id where that is not set; a second one finds
// the lock held and ends at once, before it draws anything. The lock goes
// with the process, however it ends.
//
// In /tmp anyone can make the file first. Only a regular file of the user's
// own, with no other name, counts: whatever else lies at the path (another
// user's file, which its owner could hold locked to keep every saver of the
// user's from running; a FIFO, which would block the opening; a link) leaves
// the lock unavailable, and the saver runs without it.
#pragma once

#include <string>
#include <string_view>

class SessionLock {
 public:
  enum class Outcome {
    Taken,          // this is the session's saver
    HeldElsewhere,  // another saver of the session runs
    Unavailable,    // the file cannot be made, trusted or locked: see `error`
  };

  SessionLock() = default;
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;

  // Takes the lock for `session`, e.g. "x11:0" or "/run/user/1000/wayland-1".
  // Never blocks. `error` echoes the path with its control characters escaped.
  Outcome Take(std::string_view session, std::string& error);

  // For a saver about to start: false when another saver of the session
  // holds the lock. A lock that cannot be had for another reason (a
  // read-only or foreign folder, a file that is not the user's) is told in
  // one line on standard error after "PROGRAM: ", and the saver runs without
  // it: better two savers than none.
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

// The path of the Wayland compositor's socket as the client library finds
// it: WAYLAND_DISPLAY (`display`, "wayland-0" when null) as it is when it is
// a full path, else in the runtime folder `runtimeDir`. Empty when the
// library would find none (a relative name without an absolute runtime folder).
std::string WaylandSocketPath(const char* display, const char* runtimeDir);

// The session of a Wayland compositor: its socket's path with links and
// "." or ".." resolved, however WAYLAND_DISPLAY names it ("wayland-1" and
// "/run/user/1000/wayland-1" are one session); the path as given when it
// cannot be resolved, the name when there is no path.
std::string WaylandSession(const char* display, const char* runtimeDir);
