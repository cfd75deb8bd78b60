#include "host/x11/command_line.h"

#include <cctype>
#include <charconv>
#include <cstdint>

#include "host/linux/option_scanner.h"

const char* const X11Usage =
    "usage: quillmoor [options]\n"
    "  (no options)        full screen in a window of its own; any key, or a jump of the\n"
    "                      pointer by more than 100 pixels, ends it\n"
    "  --root              draw into the root window\n"
    "  --window-id ID      draw into the existing window ID (decimal, or hexadecimal with 0x)\n"
    "  --help              this text\n"
    "  --version           the version\n"
    "Without --root or --window-id, a window id in XSCREENSAVER_WINDOW is drawn into.\n"
    "Drawing into a given window, the saver runs until it gets SIGTERM or SIGINT.\n";

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<unsigned long> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars takes no sign and no prefix of its own: "0x-1" and "+5" fail here.
  if (text.empty() || !(std::isxdigit(static_cast<unsigned char>(text[0])))) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<unsigned long>(value);
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
    } else if (name == "root") {
      if (!scanner.NoValue(error)) return std::nullopt;
      root = true;
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
        error = "--window-id: '" + std::string(*value) + "' is not a window id (decimal, or hexadecimal with 0x)";
        return std::nullopt;
      }
    } else {
      error = UnknownOption(scanner.Argument());
      return std::nullopt;
    }
  }

  // Asked for help or the version, nothing is drawn: the environment does not matter.
  if (options.Help || options.Version) return options;
  if (root && windowId) {
    error = "--root and --window-id name two different windows: give one";
    return std::nullopt;
  }
  if (root) {
    options.Target = X11Target::RootWindow;
  } else if (windowId) {
    options.Target = X11Target::ExistingWindow;
    options.WindowId = *windowId;
  } else if (windowVariable != nullptr && !Trimmed(windowVariable).empty()) {
    const std::string_view value = Trimmed(windowVariable);
    const std::optional<unsigned long> id = ParseWindowId(value);
    if (!id) {
      error = std::string(ScreenSaverWindowVariable) + ": '" + std::string(value) + "' is not a window id";
      return std::nullopt;
    }
    options.Target = X11Target::ExistingWindow;
    options.WindowId = *id;
  }
  return options;
}
