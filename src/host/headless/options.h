// The headless renderer's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/platform.h"

struct RenderOptions {
  int Width = 1920;
  int Height = 1080;
  std::optional<LocalMoment> At;  // frozen moment; none means the real clock
  int Frames = 1;
  std::optional<std::uint64_t> Seed;
  bool Preview = false;
  std::string Out;  // PNG path; empty means no picture is written
  bool PrintState = false;
  bool Help = false;
  bool Version = false;
};

inline constexpr int MaxRenderSide = 16384;

// Parses argv[1..]; on a bad option returns nothing and says why in `error`.
std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error);

// "YYYY-MM-DD HH:MM:SS" as a valid local moment (Gregorian calendar, years
// 1601..9999, no leap seconds).
std::optional<LocalMoment> ParseMoment(const std::string& text);

extern const char* const RenderUsage;
