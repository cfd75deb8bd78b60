// The X11 saver's command line. On its own it opens a full-screen window; a
// screen-saver daemon hands it a window to draw into instead. The window is
// chosen as XScreenSaver's hacks choose it: --window-id ID first, then the
// window named by the environment variable XSCREENSAVER_WINDOW, then for
// --root the screen's (virtual) root window, else a window of its own.
// Options take one dash or two. --delay sets the pause between frames, as
// XScreenSaver's settings dialog passes it. Of the options the daemon passes
// to every hack, those the saver has no use for (--window, --visual ID,
// --install) are accepted and change nothing.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "host/linux/frame_delay.h"

enum class X11Target {
  OwnWindow,       // a full-screen window of its own that ends on input
  RootWindow,      // the screen's virtual root window, or its root
  ExistingWindow,  // a window someone else made
};

struct X11Options {
  X11Target Target = X11Target::OwnWindow;
  unsigned long WindowId = 0;  // ExistingWindow only
  bool ShowFps = false;  // the frame rate and CPU load in a corner
  std::chrono::microseconds Delay = DefaultFrameDelay;  // between frames
  bool Help = false;
  bool Version = false;
};

inline constexpr const char* ScreenSaverWindowVariable = "XSCREENSAVER_WINDOW";

// Parses argv[1..]. `windowVariable` is the value of XSCREENSAVER_WINDOW, or
// null if it is not set; it applies unless --window-id names a window (set but
// empty counts as not set). On a bad option or id returns nothing and says why
// in `error`.
std::optional<X11Options> ParseX11Options(int argc, const char* const* argv, const char* windowVariable,
                                          std::string& error);

// A window id in decimal or in hexadecimal with 0x, as X prints them: non-zero
// and within 32 bits. Nothing for anything else.
std::optional<unsigned long> ParseWindowId(std::string_view text);

extern const char* const X11Usage;
