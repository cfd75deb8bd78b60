#include "host/headless/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "host/headless/replacing_file.h"
#include "host/opengl.h"

namespace {

// libpng's errors end the write through its jump buffer; its message is kept
// for ours, and nothing is printed on its own.
void OnPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

bool WritePngStream(std::FILE* file, int width, int height, const std::vector<std::uint8_t>& rgb,
                    std::string& cause) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &cause, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool written = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
      png_write_row(png, const_cast<png_bytep>(rgb.data() + static_cast<std::size_t>(y) * stride));
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (!written && cause.empty()) cause = "the PNG could not be made";
  return written;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error) {
  std::string cause;
  if (path == "-") {
    errno = 0;
    if (!WritePngStream(stdout, width, height, rgb, cause) || std::fflush(stdout) != 0 || std::ferror(stdout)) {
      error = "cannot write the PNG to standard output: " + (errno ? std::string(std::strerror(errno)) : cause);
      return false;
    }
    return true;
  }
  ReplacingFile file;
  if (!file.Open(path, error)) return false;
  errno = 0;
  if (!WritePngStream(file.Stream(), width, height, rgb, cause)) {
    error = "cannot write \"" + path + "\": " + (errno ? std::string(std::strerror(errno)) : cause);
    return false;  // the temporary file goes with `file`
  }
  return file.Commit(error);
}

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
