#include "host/headless/options.h"

#include <limits>
#include <string_view>

#include "host/linux/option_scanner.h"

const char* const RenderUsage =
    "usage: quillmoor-render [options]\n"
    "  --size WxH           picture size in pixels, each side 1 to 16384 (default 1920x1080)\n"
    "  --at \"YYYY-MM-DD HH:MM:SS\"  the local moment of the first frame, frozen, from\n"
    "                       1601-01-01 00:00:00 to 9999-12-31 23:59:59 (default: now, running)\n"
    "  --step SECONDS       with --at: move the moment on by SECONDS each frame (default 0)\n"
    "  --frames N           frames to run, 1 to 10000000 (default 1)\n"
    "  --seed N             seed of the random generator (default: the time of day)\n"
    "  --preview            the preview window's scene parameters instead of full screen\n"
    "  --out FILE.png       write the last frame as PNG; '-' writes it to standard output\n"
    "  --out NAME%05d.png   write a sequence: every kept frame, numbered 0, 1, 2, ...\n"
    "  --every K            keep frames 0, K, 2K, ... as a sequence (default: every frame)\n"
    "  --state FILE         write the kept frames' state as JSON, one line per frame; '-' is\n"
    "                       standard output\n"
    "  --print-state        the same as --state -\n"
    "  --help               this text\n"
    "  --version            the version\n"
    "Options take one dash or two, and a value as the next argument or after '='.\n"
    "Files are replaced only once complete. SIGINT or SIGTERM stops after the current\n"
    "frame. Exit status: 0 done, 1 failed, 2 bad input, 130/143 stopped by SIGINT/SIGTERM.\n";

namespace {

// A whole number written in digits only: no sign, no space, no overflow.
template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  if (text.empty() || text.size() > 20) return false;
  unsigned long long whole = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (whole > (std::numeric_limits<unsigned long long>::max() - digit) / 10) return false;
    whole = whole * 10 + digit;
  }
  if (whole > static_cast<unsigned long long>(std::numeric_limits<T>::max())) return false;
  value = static_cast<T>(whole);
  return true;
}

bool ParseSize(std::string_view text, int& width, int& height) {
  const auto x = text.find('x');
  if (x == std::string_view::npos) return false;
  return ParseWhole(text.substr(0, x), width) && ParseWhole(text.substr(x + 1), height) && width >= 1 &&
         height >= 1 && width <= MaxRenderSide && height <= MaxRenderSide;
}

// Combinations that cannot work, refused before anything is rendered.
bool CheckCombination(const RenderOptions& o, std::string& error) {
  if (o.Step > 0 && !o.At) {
    error = "--step needs --at: only a frozen moment can be moved on";
    return false;
  }
  if (o.Out == "-" && o.State == "-") {
    error = "--out - and --print-state both want standard output: give the state a file with --state FILE";
    return false;
  }
  if (o.Sequence() && !o.Out.empty() && !o.OutName.Numbered) {
    error = "--every keeps several frames: give --out a frame number, e.g. frames/%05d.png";
    return false;
  }
  if (o.At && o.Frames > 1 && o.Step > 0 &&
      (o.Frames - 1) > (LastMomentSeconds() - MomentSeconds(*o.At)) / o.Step) {
    error = "the last frame's moment lies after " + std::string(LastMomentText) +
            ": fewer --frames or a smaller --step";
    return false;
  }
  return true;
}

}  // namespace

std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error) {
  RenderOptions options;
  OptionScanner scanner(argc, argv);
  while (scanner.Next()) {
    const std::string_view name = scanner.Name();
    const bool takesNoValue = name == "help" || name == "h" || name == "version" || name == "preview" ||
                              name == "print-state";
    const bool takesValue = name == "size" || name == "at" || name == "step" || name == "frames" ||
                            name == "seed" || name == "out" || name == "every" || name == "state";
    if (!takesNoValue && !takesValue) {
      error = UnknownOption(scanner.Argument());
      return std::nullopt;
    }
    if (takesNoValue && !scanner.NoValue(error)) return std::nullopt;
    std::optional<std::string_view> text;
    if (takesValue && !(text = scanner.Value(error))) return std::nullopt;
    const std::string value = text ? std::string(*text) : std::string();
    if (name == "help" || name == "h") {
      options.Help = true;
    } else if (name == "version") {
      options.Version = true;
    } else if (name == "preview") {
      options.Preview = true;
    } else if (name == "print-state") {
      options.State = "-";
    } else if (name == "size") {
      if (!ParseSize(value, options.Width, options.Height)) {
        error = "bad size \"" + value + "\": expected WxH, each from 1 to " + std::to_string(MaxRenderSide);
        return std::nullopt;
      }
    } else if (name == "at") {
      std::string why;
      options.At = ParseMoment(value, &why);
      if (!options.At) {
        error = "bad moment \"" + value + "\": " + why;
        return std::nullopt;
      }
    } else if (name == "step") {
      if (!ParseWhole(value, options.Step)) {
        error = "bad step \"" + value + "\": expected whole seconds, 0 or more";
        return std::nullopt;
      }
    } else if (name == "frames" || name == "every") {
      int& count = name == "frames" ? options.Frames : options.Every;
      if (!ParseWhole(value, count) || count < 1 || count > MaxFrames) {
        error = "bad " + std::string(name == "frames" ? "frame count" : "--every") + " \"" + value +
                "\": expected a whole number from 1 to " + std::to_string(MaxFrames);
        return std::nullopt;
      }
    } else if (name == "seed") {
      std::uint64_t seed = 0;
      if (!ParseWhole(value, seed)) {
        error = "bad seed \"" + value + "\": expected a whole number from 0 to 18446744073709551615";
        return std::nullopt;
      }
      options.Seed = seed;
    } else if (name == "out" || name == "state") {
      if (value.empty()) {
        error = "--" + std::string(name) + " needs a file name";
        return std::nullopt;
      }
      (name == "out" ? options.Out : options.State) = value;
    }
  }
  if (!options.Out.empty() && options.Out != "-") {
    std::optional<OutputName> outName = ParseOutputName(options.Out, error);
    if (!outName) return std::nullopt;
    options.OutName = *outName;
  }
  if (!CheckCombination(options, error)) return std::nullopt;
  return options;
}
