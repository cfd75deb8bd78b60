#include "host/wayland/command_line.h"

#include <sys/un.h>

#include <string_view>

#include "host/linux/option_scanner.h"
#include "host/linux/session_lock.h"
#include "host/text/escaped_text.h"

const char* const WaylandUsage =
    "usage: quillmoor-wayland [options]\n"
    "  --output NAME       draw the scene on the output NAME (default: the first one);\n"
    "                      every other output is covered in black\n"
    "  --layer LAYER       overlay (default) or top: any key, or a jump of the pointer by\n"
    "                      more than 100 pixels, ends it; bottom or background: input\n"
    "                      passes through, and only SIGTERM, SIGINT or SIGHUP ends it\n"
    "  --delay MICROSECONDS\n"
    "                      the pause between frames, 10000 to 1000000 (default 30000);\n"
    "                      the animation moves on by a step a frame, so a longer delay\n"
    "                      slows it down and, as a wallpaper, costs less\n"
    "  --fps               show the frame rate and the CPU load in the lower left corner\n"
    "  --help              this text\n"
    "  --version           the version\n"
    "Without the compositor's layer shell it shows one full-screen window instead.\n"
    "One saver per session runs in the overlay or top layer: a second one ends at once\n"
    "(exit code 0). Savers in the bottom and background layers run beside it.\n";

namespace {

struct LayerName {
  std::string_view Name;
  WaylandLayer Layer;
};
constexpr LayerName LayerNames[] = {{"overlay", WaylandLayer::Overlay},
                                    {"top", WaylandLayer::Top},
                                    {"bottom", WaylandLayer::Bottom},
                                    {"background", WaylandLayer::Background}};

}  // namespace

bool EndsOnInput(WaylandLayer layer) { return layer == WaylandLayer::Overlay || layer == WaylandLayer::Top; }

std::optional<WaylandOptions> ParseWaylandOptions(int argc, const char* const* argv, std::string& error) {
  WaylandOptions options;
  bool outputGiven = false;
  OptionScanner scanner(argc, argv);
  while (scanner.Next()) {
    const std::string_view name = scanner.Name();
    bool* flag = name == "help" || name == "h" ? &options.Help
                 : name == "version"            ? &options.Version
                 : name == "fps"                ? &options.ShowFps
                                                : nullptr;
    if (flag != nullptr) {
      if (!scanner.NoValue(error)) return std::nullopt;
      *flag = true;
    } else if (name == "output") {
      const std::optional<std::string_view> value = scanner.Value(error);
      if (!value) return std::nullopt;
      // An output's name is never empty; one that starts with a dash is an
      // option swallowed by mistake.
      if (value->empty() || value->front() == '-') {
        error = "--output needs an output's name, not '" + EscapeControls(*value) + "'";
        return std::nullopt;
      }
      if (outputGiven) {
        error = "--output is given twice";
        return std::nullopt;
      }
      outputGiven = true;
      options.Output = *value;
    } else if (name == "delay") {
      if (!ScanFrameDelay(scanner, options.Delay, error)) return std::nullopt;
    } else if (name == "layer") {
      const std::optional<std::string_view> value = scanner.Value(error);
      if (!value) return std::nullopt;
      const LayerName* found = nullptr;
      for (const LayerName& layer : LayerNames)
        if (layer.Name == *value) found = &layer;
      if (found == nullptr) {
        error = "--layer: '" + EscapeControls(*value) + "' is not overlay, top, bottom or background";
        return std::nullopt;
      }
      options.Layer = found->Layer;
    } else {
      error = UnknownOption(scanner.Argument());
      return std::nullopt;
    }
  }
  return options;
}

std::string WaylandSocketProblem(const char* display, const char* runtimeDir) {
  const std::string path = WaylandSocketPath(display, runtimeDir);
  if (path.empty())
    return runtimeDir == nullptr || runtimeDir[0] == '\0'
               ? "XDG_RUNTIME_DIR is not set: no folder to find the Wayland compositor's socket in"
               : "XDG_RUNTIME_DIR '" + EscapeControls(runtimeDir) +
                     "' is not an absolute path: no folder to find the Wayland compositor's socket in";
  // The path and its terminating null must fit in sun_path.
  if (path.size() >= sizeof(sockaddr_un::sun_path))
    return "the Wayland socket's path '" + EscapeControls(path) + "' is longer than the " +
           std::to_string(sizeof(sockaddr_un::sun_path) - 1) + " bytes a socket's path can have";
  return {};
}
