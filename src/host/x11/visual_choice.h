// Choosing the GLX framebuffer configuration closest to the saver's request:
// double-buffered RGBA drawn to a window, 32 colour bits, 16 depth bits, no
// stencil, no accumulation, no auxiliary buffers.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// What the choice looks at in one configuration, as GLX reports it.
struct FramebufferTraits {
  bool DoubleBuffer = false;
  bool Rgba = false;          // renders RGBA (not colour index)
  bool DrawsToWindow = false;
  unsigned long VisualId = 0;  // the X visual behind it; 0 if none
  bool TrueColour = false;     // the visual maps pixels to colours by itself
  int VisualDepth = 0;         // that visual's depth in bits
  int Red = 0, Green = 0, Blue = 0, Alpha = 0;
  int Depth = 0, Stencil = 0;
  int Accum = 0;               // all four accumulation channels together
  int AuxBuffers = 0;
  bool Caveat = false;         // slow or non-conformant
};

inline constexpr int RequestedColourBits = 32;
inline constexpr int RequestedDepthBits = 16;

// The index of the closest usable configuration, or nothing if none can draw
// double-buffered RGBA into a window. With `visualId` only configurations of
// that visual count (an existing window's visual cannot change). Ties go to
// the earlier entry, the order the library gave.
//
// In order of weight: a TrueColor visual (any other needs its colour map
// filled before anything shows); a visual of depth 24 or less over a 32-bit
// one (whose alpha a compositing manager would blend with the desktop, and the
// clear colour's alpha is 0); at least 8 bits per colour channel and at least 16
// depth bits; no caveat; then colour bits nearest 32, depth bits nearest 16,
// and as few stencil, accumulation and auxiliary bits as there are.
std::optional<std::size_t> ChooseClosestFramebuffer(const std::vector<FramebufferTraits>& candidates,
                                                     std::optional<unsigned long> visualId = std::nullopt);
