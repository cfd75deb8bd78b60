// The headless renderer's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/platform.h"
#include "host/headless/moment.h"
#include "host/headless/output_name.h"

// The largest picture side and frame count the renderer takes. 16384 is also
// the largest viewport Mesa's llvmpipe draws; an OpenGL that draws less is
// checked once its context exists.
inline constexpr int MaxRenderSide = 16384;
inline constexpr int MaxFrames = 10'000'000;

struct RenderOptions {
  int Width = 1920;
  int Height = 1080;
  std::optional<LocalMoment> At;  // frozen moment of the first frame; none means the real clock
  long long Step = 0;             // seconds the frozen moment moves on per frame
  int Frames = 1;
  std::optional<std::uint64_t> Seed;
  bool Preview = false;
  std::string Out;       // "" writes no picture; "-" or another stream name (output_stream.h) writes to it
  OutputName OutName;    // Out read as a name or a numbered pattern, when it names files
  int Every = 0;         // keep frames 0, Every, 2 Every, ...; 0 keeps only the last unless Out is numbered
  std::string State;     // where the state JSON goes: "" nowhere, "-" or another stream name, or a file
  bool Help = false;
  bool Version = false;

  // A sequence keeps every Every-th frame (every frame for a numbered --out
  // without --every), from frame 0; otherwise only the last frame is kept.
  // Written to a stream, its pictures follow one another.
  bool Sequence() const { return Every > 0 || OutName.Numbered; }
  bool Keeps(int frame) const { return Sequence() ? frame % (Every > 0 ? Every : 1) == 0 : frame == Frames - 1; }
};

// Parses argv[1..]; on a bad option or a bad combination returns nothing and
// says why in `error`, unless --help or --version was given anywhere.
std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error);

extern const char* const RenderUsage;
