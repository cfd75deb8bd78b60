#include "host/headless/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/headless/output_stream.h"
#include "host/headless/replacing_file.h"
#include "host/linux/option_scanner.h"
#include "host/opengl.h"

namespace {

// libpng's errors end the write through its jump buffer; its message is kept
// for ours, and nothing is printed on its own.
struct PngOutput {
  int fd = -1;
  std::string cause;          // why the PNG could not be written
  std::size_t used = 0;       // bytes waiting in `buffer`
  unsigned char buffer[1 << 16];

  bool Flush() {
    if (used == 0 || WriteAll(fd, buffer, used)) {
      used = 0;
      return true;
    }
    cause = std::strerror(errno);
    return false;
  }
};

void OnPngError(png_structp png, png_const_charp message) {
  std::string& cause = static_cast<PngOutput*>(png_get_error_ptr(png))->cause;
  if (cause.empty()) cause = message;
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

// libpng hands its output over in pieces of a few bytes to 8 KiB; they are
// gathered into writes of 64 KiB.
void OnPngWrite(png_structp png, png_bytep data, png_size_t size) {
  PngOutput& out = *static_cast<PngOutput*>(png_get_io_ptr(png));
  while (size > 0) {
    const std::size_t part = std::min(size, sizeof out.buffer - out.used);
    std::memcpy(out.buffer + out.used, data, part);
    out.used += part;
    data += part;
    size -= part;
    if (out.used == sizeof out.buffer && !out.Flush()) png_error(png, "write");
  }
}
void OnPngFlush(png_structp) {}

// The PNG's chunks through libpng; false when libpng gave up (see OnPngError).
bool WriteChunks(png_structp png, png_infop info, int width, int height, const std::vector<std::uint8_t>& rgb) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(rgb.data() + static_cast<std::size_t>(y) * stride));
  png_write_end(png, nullptr);
  return true;
}

// Writes the PNG to `fd`; on failure says why in `cause`.
bool EncodePng(int fd, int width, int height, const std::vector<std::uint8_t>& rgb, std::string& cause) {
  const auto out = std::make_unique<PngOutput>();
  out->fd = fd;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, out.get(), OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png) png_set_write_fn(png, out.get(), OnPngWrite, OnPngFlush);
  const bool written = png && info && WriteChunks(png, info, width, height, rgb) && out->Flush();
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  cause = out->cause.empty() ? "the PNG could not be made" : out->cause;
  return written;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error) {
  ReplacingFile file;
  if (!file.Open(path, error)) return false;
  std::string cause;
  if (!EncodePng(file.Descriptor(), width, height, rgb, cause)) {
    error = "cannot write " + Quoted(path) + ": " + cause;
    return false;  // the temporary file goes with `file`
  }
  return file.Commit(error);
}

bool WritePngToStream(const std::string& stream, int width, int height, const std::vector<std::uint8_t>& rgb,
                      std::string& error) {
  std::string cause;
  if (EncodePng(StreamDescriptor(stream), width, height, rgb, cause)) return true;
  error = "cannot write the PNG to " + StreamTitle(stream) + ": " + cause;
  return false;
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
