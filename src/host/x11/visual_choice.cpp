#include "host/x11/visual_choice.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace {

bool Usable(const FramebufferTraits& traits, std::optional<unsigned long> visualId) {
  if (!traits.DoubleBuffer || !traits.Rgba || !traits.DrawsToWindow || traits.VisualId == 0) return false;
  if (traits.Red <= 0 || traits.Green <= 0 || traits.Blue <= 0) return false;
  return !visualId || traits.VisualId == *visualId;
}

// Smaller is closer; compared element by element.
auto Distance(const FramebufferTraits& t) {
  const int colourShortfall = std::max(0, 8 - t.Red) + std::max(0, 8 - t.Green) + std::max(0, 8 - t.Blue);
  const int depthShortfall = std::max(0, RequestedDepthBits - t.Depth);
  const int colourBits = t.Red + t.Green + t.Blue + t.Alpha;
  return std::make_tuple(t.TrueColour ? 0 : 1, t.VisualDepth > 24 ? 1 : 0, colourShortfall + depthShortfall, t.Caveat ? 1 : 0,
                         std::abs(colourBits - RequestedColourBits), std::abs(t.Depth - RequestedDepthBits),
                         t.Stencil + t.Accum + t.AuxBuffers);
}

}  // namespace

std::optional<std::size_t> ChooseClosestFramebuffer(const std::vector<FramebufferTraits>& candidates,
                                                     std::optional<unsigned long> visualId) {
  std::optional<std::size_t> best;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (!Usable(candidates[i], visualId)) continue;
    if (!best || Distance(candidates[i]) < Distance(candidates[*best])) best = i;
  }
  return best;
}
