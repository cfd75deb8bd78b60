// The pause between frames, as XScreenSaver's hacks take it: --delay
// MICROSECONDS, shown by a settings dialog as a frame-rate slider. The
// default is the scene's own 30 ms tick. The scene's animation moves by a
// step per frame, so a longer delay slows the animation along with the
// frame rate.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::chrono::microseconds DefaultFrameDelay{30000};
inline constexpr std::chrono::microseconds ShortestFrameDelay{10000};
inline constexpr std::chrono::microseconds LongestFrameDelay{1000000};

class OptionScanner;

// The value of --delay: a whole number of microseconds from the shortest to
// the longest delay, digits only. Nothing for anything else, with a message
// that names the option and the range in `error`.
std::optional<std::chrono::microseconds> ParseFrameDelay(std::string_view text, std::string& error);

// Reads the value of the --delay option the scanner stands on into `delay`;
// false, and why in `error`, when it is missing or bad.
bool ScanFrameDelay(OptionScanner& scanner, std::chrono::microseconds& delay, std::string& error);
