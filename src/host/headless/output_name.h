// The --out name: one file, or a printf-style pattern with one frame number
// ("frames/%05d.png") that names every picture of a sequence.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct OutputName {
  bool Numbered = false;  // holds a frame number
  std::string Prefix;     // the whole name when not numbered; "%%" already read as '%'
  std::string Suffix;
  int Width = 0;          // the number's least width
  bool ZeroPadded = false;

  // The name of picture `number` (the fixed name when not numbered).
  std::string For(long long number) const;
  // The number of the picture named `name`, if one is (For's inverse).
  std::optional<long long> NumberOf(std::string_view name) const;
};

// Reads `text` as printf would with one integer: "%%" is a '%', and at most one
// conversion "%d" with an optional '0' flag and width ("%5d", "%05d") stands
// for the number. Anything else after a '%' is refused, and says why in `error`.
std::optional<OutputName> ParseOutputName(std::string_view text, std::string& error);
