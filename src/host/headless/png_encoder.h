// PNG pictures of 8-bit RGB frames: every row with PNG's "Sub" filter (each
// byte less the same channel of the pixel to its left), deflated whole by
// libdeflate into one zlib stream in one IDAT chunk.
//
// On the scene's pictures Sub gives the smallest files of PNG's five filters
// at every level and costs a third of choosing a filter per row, and
// libdeflate's whole-buffer deflate is several times faster than zlib's at
// the same size.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

// How hard the deflate works: "fast", the default, about as fast as the
// rendering; "better" for pictures about a tenth smaller in four times the
// time; "best" for the smallest, about a quarter smaller than "fast", in a
// hundred times the time.
enum class Compression { Fast, Better, Best };

// The compression a name stands for ("fast", "better", "best").
std::optional<Compression> CompressionNamed(std::string_view name);

// A deflate that made no stream: told as itself, not as a lack of memory.
struct DeflateFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The whole PNG file of the `width` x `height` picture `rgb` (rows top
// first, no padding), which is let go once filtered, so that no more than
// two picture-sized buffers are held at once. Throws std::bad_alloc when
// memory runs out, DeflateFailed when the deflate fails.
std::vector<std::uint8_t> EncodePng(int width, int height, std::vector<std::uint8_t> rgb, Compression compression);
