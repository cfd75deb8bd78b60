#include "host/x11/command_line.h"

#include <cstdint>

#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/text/whole_number.h"

const char* const X11Usage =
    "usage: quillmoor [options]\n"
    "  (no options)        full screen in a window of its own; any key, or a jump of the\n"
    "                      pointer by more than 100 pixels, ends it\n"
    "  --root              draw into the screen's (virtual) root window\n"
    "  --window-id ID      draw into the existing window ID (decimal, or hexadecimal with 0x)\n"
    "  --delay MICROSECONDS\n"
    "                      the pause between frames, 10000 to 1000000 (default 30000);\n"
    "                      the animation moves on by a step a frame, so a longer delay\n"
    "                      slows it down\n"
    "  --fps               show the frame rate and the CPU load in the lower left corner\n"
    "  --window, --install, --visual ID\n"
    "                      accepted and ignored, as XScreenSaver passes them to every hack\n"
    "  --help              this text\n"
    "  --version           the version\n"
    "The window is the one --window-id names, else the one in XSCREENSAVER_WINDOW, else\n"
    "with --root the root window. Drawing into a given window, the saver leaves input\n"
    "alone and runs until a signal ends it or the window is destroyed.\n"
    "One saver per display runs in a window of its own: a second one ends at once.\n"
    "How it ends:\n"
    "  a key, a pointer jump, a close request (own window only)  exit code 0\n"
    "  its window destroyed (quietly when the window was given)  exit code 0\n"
    "  another saver already runs in a window of its own         exit code 0\n"
    "  SIGTERM, SIGINT or SIGHUP, after its clean-up             killed by that signal\n"
    "  it cannot run (no display, no GLX visual, no such window) exit code 1\n"
    "  a bad command line                                        exit code 2\n";

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<unsigned long> ParseWindowId(std::string_view text) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // X11's resource ids are 32 bits wide, and none is 0.
  std::uint32_t value = 0;
  if (!ParseWhole(text, value, base) || value == 0) return std::nullopt;
  return value;
}

std::optional<X11Options> ParseX11Options(int argc, const char* const* argv, const char* windowVariable,
                                          std::string& error) {
  X11Options options;
  bool root = false;
  std::optional<unsigned long> windowId;

  OptionScanner scanner(argc, argv);
  while (scanner.Next()) {
    const std::string_view name = scanner.Name();
    if (name == "help" || name == "h") {
      if (!scanner.NoValue(error)) return std::nullopt;
      options.Help = true;
    } else if (name == "version") {
      if (!scanner.NoValue(error)) return std::nullopt;
      options.Version = true;
    } else if (name == "root" || name == "window") {
      // The later of the two wins, as with X resources.
      if (!scanner.NoValue(error)) return std::nullopt;
      root = name == "root";
    } else if (name == "fps") {
      if (!scanner.NoValue(error)) return std::nullopt;
      options.ShowFps = true;
    } else if (name == "install") {
      // A colour map of its own: the saver's TrueColor visuals need none.
      if (!scanner.NoValue(error)) return std::nullopt;
    } else if (name == "visual") {
      // The visual is the given window's, or the closest GLX one for its own.
      // A name or an id; never an option, which would be swallowed here.
      const std::optional<std::string_view> value = scanner.Value(error);
      if (!value) return std::nullopt;
      if (value->empty() || value->front() == '-') {
        error = "--visual needs a visual's name or id, not '" + EscapeControls(*value) + "'";
        return std::nullopt;
      }
    } else if (name == "delay") {
      if (!ScanFrameDelay(scanner, options.Delay, error)) return std::nullopt;
    } else if (name == "window-id") {
      const std::optional<std::string_view> value = scanner.Value(error);
      if (!value) {
        error = "--window-id needs a window id";
        return std::nullopt;
      }
      if (windowId) {
        error = "--window-id is given twice";
        return std::nullopt;
      }
      windowId = ParseWindowId(*value);
      if (!windowId) {
        error = "--window-id: '" + EscapeControls(*value) + "' is not a window id (decimal, or hexadecimal with 0x)";
        return std::nullopt;
      }
    } else {
      error = UnknownOption(scanner.Argument());
      return std::nullopt;
    }
  }

  // Asked for help or the version, nothing is drawn: the environment does not matter.
  if (options.Help || options.Version) return options;
  if (windowId) {
    options.Target = X11Target::ExistingWindow;
    options.WindowId = *windowId;
  } else if (windowVariable != nullptr && !Trimmed(windowVariable).empty()) {
    const std::string_view value = Trimmed(windowVariable);
    const std::optional<unsigned long> id = ParseWindowId(value);
    if (!id) {
      error = std::string(ScreenSaverWindowVariable) + ": '" + EscapeControls(value) + "' is not a window id";
      return std::nullopt;
    }
    options.Target = X11Target::ExistingWindow;
    options.WindowId = *id;
  } else if (root) {
    options.Target = X11Target::RootWindow;
  }
  return options;
}
