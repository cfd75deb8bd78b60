// The web page's URL parameters, with the headless renderer's meanings and
// ranges, for fixed pictures in a browser:
//   at=YYYY-MM-DDTHH:MM:SS  the local moment of the first frame, frozen
//   step=S                  with at: seconds the moment moves on per frame, to the
//                           millisecond (0.04) or as a fraction (1/30)
//   frames=N                draw N frames (1 to 10000000), then keep showing the last
//   seed=N                  seed of the random generator
//   preview                 the preview window's scene
// A bad value is left out and said in a one-line message; the page runs on
// without it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "frame/platform.h"

struct PageOptions {
  std::optional<LocalMoment> At;  // none: the browser's clock, running
  // Milliseconds the frozen moment moves on per frame, as a fraction:
  // StepMs / StepDivisor (1000 / 30 for step=1/30).
  long long StepMs = 0;
  long long StepDivisor = 1;
  int Frames = 0;                 // 0: frames without end
  std::optional<std::uint64_t> Seed;
  bool Preview = false;
};

// Reads a query string ("?at=...&seed=3", the leading '?' optional, values
// percent-encoded or with '+' for a space). Each mistake is described in
// `message`, joined by "; "; empty when there is none.
PageOptions ParsePageOptions(std::string_view query, std::string& message);

// The moment frame `frame` (0 for the first) shows: At moved on by frame x
// the step, held at the last moment the renderer accepts. Needs At.
LocalMoment PageMomentOfFrame(const PageOptions& options, long long frame);
