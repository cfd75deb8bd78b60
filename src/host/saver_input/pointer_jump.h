// The pointer rule of the full-screen saver: it ends on a jump of the pointer
// by more than 100 pixels along either axis between two motion events. The
// limit holds per event, so a slow sweep of any length never ends it.
#pragma once

#include <cstdint>

inline constexpr std::int64_t PointerJumpLimit = 100;  // pixels per motion event, along either axis

class PointerJump {
 public:
  // `x`, `y`: the pointer's screen position when the window was created; the
  // first motion is measured from there.
  PointerJump(std::int32_t x, std::int32_t y) : lastX_(x), lastY_(y) {}

  // A motion event with the pointer now at (x, y). True if it jumped by more
  // than the limit since the previous one. The position is remembered either way.
  bool Moved(std::int32_t x, std::int32_t y);

  // Keeps the position without judging the move (while the window is not the
  // active one, moves only keep the position up to date).
  void Remember(std::int32_t x, std::int32_t y);

 private:
  std::int32_t lastX_, lastY_;
};
