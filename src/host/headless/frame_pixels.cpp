#include "host/headless/frame_pixels.h"

#include <algorithm>

#include "base/opengl.h"

std::vector<std::uint8_t> ReadFramePixels(int width, int height) {
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> rgb(stride * static_cast<std::size_t>(height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // OpenGL gives the bottom row first. The rows are read in bands of a few
  // megabytes, each put where its rows belong and turned over there, so that
  // neither we nor the driver ever hold a second copy of the whole picture.
  const int band = static_cast<int>(std::max<std::size_t>(1, (std::size_t{4} << 20) / stride));
  const auto row = [&](int y) { return rgb.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * stride); };
  for (int bottom = 0; bottom < height; bottom += band) {
    const int rows = std::min(band, height - bottom);
    const int top = height - bottom - rows;  // the band's first row, counted from the top
    glReadPixels(0, bottom, width, rows, GL_RGB, GL_UNSIGNED_BYTE, &*row(top));
    for (int a = top, b = top + rows - 1; a < b; ++a, --b) std::swap_ranges(row(a), row(a + 1), row(b));
  }
  return rgb;
}
