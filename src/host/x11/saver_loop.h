// The saver's run: one frame per tick of a monotonic clock (--delay), X events
// and stop signals handled between frames, the loop asleep in poll otherwise.
//
// In its own full-screen window the saver takes the keyboard and the pointer
// as soon as the window is mapped, and ends on any key press, on a jump of the
// pointer by more than 100 pixels between two motion events, or on a close
// request. A change of the screen's layout (a RandR screen change, a monitor
// added, gone or resized) is not input: the motions the server made while it
// changed the layout, such as the pointer put back on a monitor that still
// shows it, only record the place, and the first motion after the layout has
// settled is judged as ever. In a window it was given it only draws and
// follows the window's size; whoever gave the window ends it with a signal.
//
// Nothing is drawn while nobody can see it: while the X server's own screen
// saver is on (the MIT-SCREEN-SAVER extension's notify events on the root),
// while the DPMS extension, where the server has it, says the monitor is not
// on (asked at most once a second), and while the window is unmapped or fully
// covered (VisibilityNotify). The loop then sleeps in poll on the
// connection and the signals alone, and the first tick after the screen can
// be seen again draws at once, the scene at that moment's time. Input is
// handled as ever meanwhile.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>

#include "host/linux/frame_pacer.h"
#include "host/linux/stop_signals.h"
#include "host/saver_input/pointer_jump.h"
#include "host/visibility/draw_gate.h"
#include "host/x11/glx_window.h"

enum class SaverEnd {
  Input,         // a key or a pointer jump (own window)
  CloseRequest,  // WM_DELETE_WINDOW (own window)
  Signal,        // SIGTERM, SIGINT or SIGHUP
  WindowGone,    // the given window was destroyed
  XError,        // a protocol error: see Error()
};

class SaverLoop {
 public:
  // `pointerAtStart`: where the pointer was when the own window was created;
  // nothing for a given window, whose input is not the saver's business.
  // `delay`: the pause between frames.
  SaverLoop(GlxWindow& window, const StopSignals& signals, std::chrono::microseconds delay,
            std::optional<PointerJump> pointerAtStart);

  // Runs until the saver ends and says why. The window stays as it is: the
  // caller releases it.
  SaverEnd Run();

  const std::string& Error() const { return error_; }

 private:
  void Handle(const XEvent& event);
  void HandleClientMessage(const XClientMessageEvent& message);
  void DrawFrame();
  void TakeInput();
  void ApplyNewSize();
  void Hide();
  // What waits to be done while nothing is drawn, and on every frame: the
  // DPMS level asked once a second, a raise the window asked for, the grabs
  // tried again once a second. Gives the time by which it needs to run
  // again, if it does.
  std::optional<FramePacer::Clock::time_point> Chores(FramePacer::Clock::time_point now);
  void WatchScreenSaver();
  void HandleScreenSaver(const XEvent& event);
  bool ShowsThisWindow(Window saverWindow) const;
  void AskDpms();
  void Raise();
  void End(SaverEnd end) {
    if (!end_) end_ = end;
  }

  GlxWindow& window_;
  Display* display_;
  const StopSignals& signals_;
  std::chrono::microseconds delay_;
  std::optional<PointerJump> pointer_;
  std::optional<SaverEnd> end_;
  std::string error_;

  bool mapped_ = false;
  bool active_ = false;  // the window has the keyboard
  bool keyboardGrabbed_ = false;
  bool pointerGrabbed_ = false;
  int grabAttempts_ = 0;
  bool raise_ = false;
  bool resized_ = false;
  int randrEvents_ = -1;  // the RandR extension's first event code, if it is there
  // The serial of a request sent once the last layout change was told: the
  // server made every motion of that change before it read this request, so
  // motions with a lower serial belong to the change.
  unsigned long layoutSettled_ = 0;
  void LayoutChanged();

  DrawGate gate_;
  int screenSaverEvents_ = -1;  // MIT-SCREEN-SAVER's first event code, if it is there
  bool dpms_ = false;           // the server has DPMS and the monitor takes it
  FramePacer::Clock::time_point nextDpmsQuestion_{};
  FramePacer::Clock::time_point nextGrabAttempt_{};
};
