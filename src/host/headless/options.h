// The headless renderer's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/platform.h"
#include "host/headless/output_name.h"
#include "host/headless/png_encoder.h"
#include "host/time/moment.h"
#include "host/time/stepped_run.h"

// The largest picture side the renderer takes (and MaxFrames, the most
// frames). 16384 is also the largest viewport Mesa's llvmpipe draws; an
// OpenGL that draws less is checked once its context exists.
inline constexpr int MaxRenderSide = 16384;

// How frames are written: PNG pictures, or raw RGB24 frames back to back
// (top row first, no headers) for video tools.
enum class FrameFormat { Png, Raw };

struct RenderOptions {
  int Width = 1920;
  int Height = 1080;
  std::optional<LocalMoment> At;  // frozen moment of the first frame; none means the real clock
  // Milliseconds the frozen moment moves on per frame, as a fraction:
  // StepMilliseconds / StepDivisor (1000 / 30 for --step 1/30).
  long long StepMilliseconds = 0;
  long long StepDivisor = 1;
  int Frames = 1;
  std::optional<std::uint64_t> Seed;
  bool Preview = false;
  std::string Out;       // "" writes no picture; "-" or another stream name (output_stream.h) writes to it
  OutputName OutName;    // Out read as a name or a numbered pattern, when it names files
  int Every = 0;         // keep frames 0, Every, 2 Every, ...; 0 keeps only the last unless Out is numbered
  FrameFormat Format = FrameFormat::Png;
  std::optional<Compression> PngCompression;  // given with --compression; Compression::Fast otherwise
  std::string State;     // where the state JSON goes: "" nowhere, "-" or another stream name, or a file
  bool Help = false;
  bool Version = false;

  // A sequence keeps every Every-th frame (every frame for a numbered --out
  // without --every), from frame 0; otherwise only the last frame is kept.
  // Written to a stream, its pictures follow one another.
  bool Stepping() const { return StepMilliseconds > 0; }
  // How far frame `frame`'s moment lies after the first, in whole
  // milliseconds, rounded down: exact for any step, with no drift over a run.
  long long OffsetMilliseconds(long long frame) const;

  // Raw frames to a file name without a number go one after another into
  // that one file, as to a stream.
  bool RawIntoOneFile() const { return Format == FrameFormat::Raw && !OutName.Numbered; }

  bool Sequence() const { return Every > 0 || OutName.Numbered; }
  bool Keeps(int frame) const { return Sequence() ? frame % (Every > 0 ? Every : 1) == 0 : frame == Frames - 1; }
};

// Parses argv[1..]; on a bad option or a bad combination returns nothing and
// says why in `error`, unless --help or --version was given anywhere.
std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error);

extern const char* const RenderUsage;
