// quillmoor: the saver on X11 with GLX. On its own it covers the default
// screen with a window of its own and ends on input; given a window
// (--window-id, XSCREENSAVER_WINDOW, --root) it draws there until a signal
// ends it.
// Exit codes: 0 when it ends as it should (a key, a pointer jump, a close
// request, its window destroyed, another saver in a window of its own
// already running on the display), 1 when it cannot run (no display, no GLX
// visual, no such window), 2 for a bad command line; SIGTERM, SIGINT and
// SIGHUP end it, after its clean-up, killed by that signal.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "base/fpu_control.h"
#include "frame/outline_font.h"
#include "frame/platform.h"
#include "host/linux/fps_overlay.h"
#include "host/linux/option_scanner.h"
#include "host/linux/session_lock.h"
#include "host/linux/stop_signals.h"
#include "host/saver_input/pointer_jump.h"
#include "host/scene_setup/scene_setup.h"
#include "host/text/escaped_text.h"
#include "host/x11/command_line.h"
#include "host/x11/glx_window.h"
#include "host/x11/saver_loop.h"
#include "host/x11/virtual_root.h"
#include "host/x11/x11_errors.h"
#include "host/x11/x11_platform.h"
#include "host/x11/x_core_font.h"

namespace {

int Fail(const std::string& message) {
  std::cerr << "quillmoor: " << message << "\n";
  return 1;
}

Display* OpenDisplay(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    error = "DISPLAY is not set: no X display to draw on";
    return nullptr;
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) error = "cannot open the X display '" + EscapeControls(name) + "'";
  return display;
}

// Where the pointer is on the window's screen, for the first motion to be
// measured from.
PointerJump PointerNow(Display* display, Window root) {
  Window rootReturn = None, child = None;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned mask = 0;
  XQueryPointer(display, root, &rootReturn, &child, &x, &y, &windowX, &windowY, &mask);
  return PointerJump(x, y);
}

// `endSignal`: the stop signal that ended the saver, 0 if none did.
int RunSaver(Display* display, X11Platform& platform, const X11Options& options, StopSignals& signals,
             int& endSignal) {
  GlxWindow window(display);
  std::string error;
  bool ready = false;
  switch (options.Target) {
    case X11Target::OwnWindow:
      ready = window.CreateOwn(error);
      break;
    case X11Target::RootWindow:
      ready = window.Adopt(VirtualRootWindow(display, DefaultScreen(display)), error);
      break;
    case X11Target::ExistingWindow:
      ready = window.Adopt(options.WindowId, error);
      break;
  }
  // A given window destroyed while the saver starts is its host ending it,
  // as later on: nothing to tell.
  if (!ready) return window.Destroyed() ? 0 : Fail(error);

  // As the window is created: the scene for its size, and for the saver's
  // own window the pointer's place.
  CreateScene(SceneKind::FullScreen, window.Width(), window.Height());
  std::optional<PointerJump> pointer;
  if (window.Own()) pointer = PointerNow(display, window.Root());

  if (!window.CreateContext(error)) return window.Destroyed() ? 0 : Fail(error);
  SetUpRenderingState(SceneKind::FullScreen, window.Width(), window.Height());
  if (window.Own()) XMapRaised(display, window.XWindow());

  // Without a font for it the saver runs on without the figures.
  FpsOverlay overlay;
  XCoreFont font;
  if (options.ShowFps) {
    if (font.Create(display, error)) {
      overlay.Show(&font);
      platform.ShowOverlay(&overlay);
    } else {
      std::cerr << "quillmoor: " << error << "\n";
    }
  }

  SaverLoop loop(window, signals, options.Delay, pointer);
  signals.Catch();
  const SaverEnd end = loop.Run();
  const bool ownWindow = window.Own();

  // The fonts' lists belong to the context: deleted while it is current.
  platform.ShowOverlay(nullptr);
  font.Release();
  DeleteFontLists();
  window.Release();

  switch (end) {
    case SaverEnd::Signal:
      endSignal = signals.Which();
      return 0;
    case SaverEnd::XError:
      return Fail(loop.Error());
    case SaverEnd::WindowGone:
      // A daemon destroys the window it gave on every deactivation: the
      // normal end, and nothing to tell the session's error log. Its own
      // window destroyed by another client is worth a word.
      if (ownWindow) std::cerr << "quillmoor: the window was destroyed\n";
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  InstallFpuControlWord();

  std::string error;
  const std::optional<X11Options> options =
      ParseX11Options(argc, argv, std::getenv(ScreenSaverWindowVariable), error);
  if (const std::optional<int> status = EndByCommandLine("quillmoor", X11Usage, options.has_value(),
                                                          options && options->Help, options && options->Version, error))
    return *status;

  StopSignals signals;
  if (!InstallSaverStopSignals(signals)) return Fail("cannot set up the signal handlers");
  Display* display = OpenDisplay(error);
  if (display == nullptr) return Fail(error);
  InstallX11ErrorHandlers();

  // One saver per display in a window of its own: a second one ends here,
  // before it makes its window. The lock's file is made only for a display
  // that is there. Drawing into a window a daemon gives takes no lock, as the
  // daemon decides what runs there.
  SessionLock lock;
  if (options->Target == X11Target::OwnWindow && !lock.TakeForSaver(X11Session(DisplayString(display)), "quillmoor")) {
    XCloseDisplay(display);
    return 0;
  }

  X11Platform platform;
  UsePlatform(&platform);
  int endSignal = 0;
  const int status = RunSaver(display, platform, *options, signals, endSignal);
  UsePlatform(nullptr);
  XCloseDisplay(display);
  EndBySignal(endSignal);
  return status;
}
