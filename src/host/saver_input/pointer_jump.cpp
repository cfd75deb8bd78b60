#include "host/saver_input/pointer_jump.h"

namespace {

// In 64 bits: two 32-bit screen coordinates can be more than 2^31 apart.
std::int64_t Distance(std::int32_t a, std::int32_t b) {
  const std::int64_t d = static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b);
  return d < 0 ? -d : d;
}

}  // namespace

bool PointerJump::Moved(std::int32_t x, std::int32_t y) {
  const bool jumped = Distance(x, lastX_) > PointerJumpLimit || Distance(y, lastY_) > PointerJumpLimit;
  Remember(x, y);
  return jumped;
}

void PointerJump::Remember(std::int32_t x, std::int32_t y) {
  lastX_ = x;
  lastY_ = y;
}
