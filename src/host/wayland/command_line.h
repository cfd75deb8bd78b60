// The Wayland saver's command line. It draws the scene on one output (the one
// --output names, else the first the compositor announces) and covers the
// others with black, in the layer --layer names. In the overlay and top
// layers it takes the keyboard and ends on input; in the bottom and
// background layers input passes through and only a signal, or the
// compositor closing its surfaces, ends it. Options take one dash or two.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "host/linux/frame_delay.h"

// The compositor's layers, lowest first; the values are the layer protocol's.
enum class WaylandLayer { Background = 0, Bottom = 1, Top = 2, Overlay = 3 };

struct WaylandOptions {
  std::string Output;  // the output's name; empty: the first announced
  WaylandLayer Layer = WaylandLayer::Overlay;
  bool ShowFps = false;  // the frame rate and CPU load in a corner
  std::chrono::microseconds Delay = DefaultFrameDelay;  // between frames
  bool Help = false;
  bool Version = false;
};

// Whether the saver in this layer takes the keyboard and ends on a key or a
// pointer jump (overlay and top), or lets input pass (bottom and background).
bool EndsOnInput(WaylandLayer layer);

// Parses argv[1..]. On a bad option returns nothing and says why in `error`.
std::optional<WaylandOptions> ParseWaylandOptions(int argc, const char* const* argv, std::string& error);

extern const char* const WaylandUsage;

// What keeps the client library from finding the compositor's socket with
// WAYLAND_DISPLAY `display` and XDG_RUNTIME_DIR `runtimeDir` (either null when
// unset), in one line with the values escaped: no absolute runtime folder for
// a relative name, or a path longer than the 107 bytes a socket's path can
// have. Empty when the path is one the library can use.
std::string WaylandSocketProblem(const char* display, const char* runtimeDir);
