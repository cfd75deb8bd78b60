// The frame timer's arithmetic on made-up moments: nothing here waits.
#include <gtest/gtest.h>

#include "host/linux/frame_pacer.h"

namespace {

using namespace std::chrono_literals;
using Clock = FramePacer::Clock;

const Clock::time_point Start{std::chrono::seconds(1000)};

TEST(FramePacer, OneFrameEveryThirtyMilliseconds) {
  FramePacer pacer(Start, 30ms);
  EXPECT_EQ(pacer.Remaining(Start), 30ms);
  EXPECT_EQ(pacer.Remaining(Start + 12ms), 18ms);
  EXPECT_EQ(pacer.Remaining(Start + 30ms), 0ms);
  EXPECT_EQ(pacer.Remaining(Start + 31ms), 0ms);

  // A quick frame drawn at 30 ms: the next is due at 60, not 30 after it ended.
  pacer.FrameDone(Start + 34ms);
  EXPECT_EQ(pacer.Due(), Start + 60ms);
  EXPECT_EQ(pacer.Remaining(Start + 34ms), 26ms);
  pacer.FrameDone(Start + 61ms);
  EXPECT_EQ(pacer.Due(), Start + 90ms);
}

TEST(FramePacer, ALongFrameDelaysTheNextWithoutABurst) {
  FramePacer pacer(Start, 30ms);
  // Due at 30, finished at 130: the next comes at once ...
  pacer.FrameDone(Start + 130ms);
  EXPECT_EQ(pacer.Due(), Start + 130ms);
  EXPECT_EQ(pacer.Remaining(Start + 130ms), 0ms);
  // ... and the ones after it keep the period from there, none made up.
  pacer.FrameDone(Start + 135ms);
  EXPECT_EQ(pacer.Due(), Start + 160ms);
  pacer.FrameDone(Start + 161ms);
  EXPECT_EQ(pacer.Due(), Start + 190ms);
}

TEST(FramePacer, APauseEndsWithAFrameAtOnceAndNoBurst) {
  FramePacer pacer(Start, 30ms);
  pacer.FrameDone(Start + 31ms);
  // Nothing drawn from 60 ms to 5 s; drawing takes up again at 5 s.
  const Clock::time_point back = Start + 5s;
  pacer.DueAt(back);
  EXPECT_EQ(pacer.Remaining(back), 0ms);
  pacer.FrameDone(back + 4ms);
  // One period after the first frame back, not at once again.
  EXPECT_EQ(pacer.Due(), back + 30ms);
  EXPECT_EQ(pacer.Remaining(back + 4ms), 26ms);
}

}  // namespace
