#include "host/headless/options.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "host/linux/option_scanner.h"
#include "host/scene_params.h"

const char* const RenderUsage =
    "usage: quillmoor-render [options]\n"
    "  --size WxH           picture size in pixels (default 1920x1080)\n"
    "  --at \"YYYY-MM-DD HH:MM:SS\"  the local moment to show, frozen (default: now, running)\n"
    "  --frames N           frames to run before the picture is kept (default 1)\n"
    "  --seed N             seed of the random generator (default: the time of day)\n"
    "  --preview            the preview window's scene parameters instead of full screen\n"
    "  --out FILE.png       write the picture as PNG\n"
    "  --print-state        print the frame state after the last frame as JSON\n"
    "  --help               this text\n"
    "  --version            the version\n"
    "Options take one dash or two, and a value as the next argument or after '='.\n";

namespace {

template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseSize(std::string_view text, int& width, int& height) {
  const auto x = text.find('x');
  if (x == std::string_view::npos) return false;
  return ParseWhole(text.substr(0, x), width) && ParseWhole(text.substr(x + 1), height) && width >= 1 &&
         height >= 1 && width <= MaxRenderSide && height <= MaxRenderSide;
}

int DaysInMonth(int year, int month) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<LocalMoment> ParseMoment(const std::string& text) {
  // Exactly "YYYY-MM-DD HH:MM:SS".
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const std::string_view t(text);
  int year, month, day, hour, minute, second;
  if (!ParseWhole(t.substr(0, 4), year) || !ParseWhole(t.substr(5, 2), month) ||
      !ParseWhole(t.substr(8, 2), day) || !ParseWhole(t.substr(11, 2), hour) ||
      !ParseWhole(t.substr(14, 2), minute) || !ParseWhole(t.substr(17, 2), second))
    return std::nullopt;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59)
    return std::nullopt;
  LocalMoment moment;
  moment.Year = static_cast<std::uint16_t>(year);
  moment.Month = static_cast<std::uint16_t>(month);
  moment.Day = static_cast<std::uint16_t>(day);
  moment.Hour = static_cast<std::uint16_t>(hour);
  moment.Minute = static_cast<std::uint16_t>(minute);
  moment.Second = static_cast<std::uint16_t>(second);
  return moment;
}

std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error) {
  RenderOptions options;
  OptionScanner scanner(argc, argv);
  while (scanner.Next()) {
    const std::string_view name = scanner.Name();
    const bool takesNoValue = name == "help" || name == "h" || name == "version" || name == "preview" ||
                              name == "print-state";
    if (takesNoValue && !scanner.NoValue(error)) return std::nullopt;
    std::optional<std::string_view> text;
    if (name == "help" || name == "h") {
      options.Help = true;
    } else if (name == "version") {
      options.Version = true;
    } else if (name == "preview") {
      options.Preview = true;
    } else if (name == "print-state") {
      options.PrintState = true;
    } else if (name == "size") {
      if (!(text = scanner.Value(error))) return std::nullopt;
      if (!ParseSize(*text, options.Width, options.Height)) {
        error = "bad size \"" + std::string(*text) + "\": expected WxH, each from 1 to " +
                std::to_string(MaxRenderSide);
        return std::nullopt;
      }
    } else if (name == "at") {
      if (!(text = scanner.Value(error))) return std::nullopt;
      options.At = ParseMoment(std::string(*text));
      if (!options.At) {
        error = "bad moment \"" + std::string(*text) + "\": expected a valid \"YYYY-MM-DD HH:MM:SS\"";
        return std::nullopt;
      }
    } else if (name == "frames") {
      if (!(text = scanner.Value(error))) return std::nullopt;
      if (!ParseWhole(*text, options.Frames) || options.Frames < 1) {
        error = "bad frame count \"" + std::string(*text) + "\": expected a whole number of at least 1";
        return std::nullopt;
      }
    } else if (name == "seed") {
      if (!(text = scanner.Value(error))) return std::nullopt;
      std::uint64_t seed = 0;
      if (!ParseWhole(*text, seed)) {
        error = "bad seed \"" + std::string(*text) + "\": expected a whole number";
        return std::nullopt;
      }
      options.Seed = seed;
    } else if (name == "out") {
      if (!(text = scanner.Value(error))) return std::nullopt;
      if (text->empty()) {
        error = "--out needs a file name";
        return std::nullopt;
      }
      options.Out = std::string(*text);
    } else {
      error = UnknownOption(scanner.Argument());
      return std::nullopt;
    }
  }
  return options;
}
