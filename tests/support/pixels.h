// Pixel helpers for render tests: RGB rows, top row first.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;

  Rgb At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  int Brightness(int x, int y) const {
    const Rgb p = At(x, y);
    return p.r + p.g + p.b;
  }
};
