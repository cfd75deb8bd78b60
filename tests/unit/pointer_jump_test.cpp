#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "host/saver_input/pointer_jump.h"

namespace {

TEST(PointerJump, MoreThanOneHundredAlongEitherAxisEnds) {
  for (auto [dx, dy] : {std::pair{101, 0}, {-101, 0}, {0, 101}, {0, -101}, {101, 101}, {500, -3}}) {
    PointerJump pointer(200, 200);
    EXPECT_TRUE(pointer.Moved(200 + dx, 200 + dy)) << dx << "," << dy;
  }
}

TEST(PointerJump, ExactlyOneHundredOrLessDoesNot) {
  for (auto [dx, dy] : {std::pair{100, 0}, {-100, 0}, {0, 100}, {0, -100}, {100, 100}, {-100, -100}, {0, 0}}) {
    PointerJump pointer(200, 200);
    EXPECT_FALSE(pointer.Moved(200 + dx, 200 + dy)) << dx << "," << dy;
  }
}

TEST(PointerJump, EachMoveIsMeasuredFromThePreviousOne) {
  // A slow sweep across a wide screen never ends it ...
  PointerJump pointer(0, 0);
  for (int x = 100; x <= 3800; x += 100) EXPECT_FALSE(pointer.Moved(x, x / 2)) << x;
  // ... and after it, 101 from where the sweep stopped does.
  EXPECT_TRUE(pointer.Moved(3699, 1900));
  // The jump was remembered too: measured from there, 100 is fine again.
  EXPECT_FALSE(pointer.Moved(3599, 1900));
}

TEST(PointerJump, RememberedPositionsAreNotJudged) {
  PointerJump pointer(200, 200);
  pointer.Remember(600, 600);  // while another window was active
  EXPECT_FALSE(pointer.Moved(650, 650));
  EXPECT_TRUE(pointer.Moved(751, 650));
}

TEST(PointerJump, FarApartCoordinatesDoNotOverflow) {
  constexpr std::int32_t low = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t high = std::numeric_limits<std::int32_t>::max();
  PointerJump pointer(low, 0);
  EXPECT_TRUE(pointer.Moved(high, 0));
  EXPECT_TRUE(pointer.Moved(high, low));
}

}  // namespace
