#include <gtest/gtest.h>

#include <vector>

#include "host/x11/visual_choice.h"

namespace {

// A TrueColor, depth-24, double-buffered RGBA window configuration with the
// given colour, depth and stencil bits.
FramebufferTraits Config(unsigned long visual, int alpha, int depth, int stencil = 0) {
  FramebufferTraits t;
  t.DoubleBuffer = t.Rgba = t.DrawsToWindow = t.TrueColour = true;
  t.VisualId = visual;
  t.VisualDepth = 24;
  t.Red = t.Green = t.Blue = 8;
  t.Alpha = alpha;
  t.Depth = depth;
  t.Stencil = stencil;
  return t;
}

TEST(VisualChoice, TheExactRequestWinsWhereverItStands) {
  // Roughly the order a Mesa driver lists them in.
  const std::vector<FramebufferTraits> configs = {
      Config(0x21, 0, 0),  Config(0x21, 0, 24, 8), Config(0x21, 8, 24, 8), Config(0x21, 0, 16),
      Config(0x21, 8, 16), Config(0x21, 8, 32),
  };
  EXPECT_EQ(ChooseClosestFramebuffer(configs), 4u);
}

TEST(VisualChoice, WithoutTheExactRequestTheNearestOne) {
  // No 16-bit depth: 24 bits beat none and beat 24 with a stencil buffer.
  EXPECT_EQ(ChooseClosestFramebuffer({Config(1, 8, 0), Config(1, 8, 24, 8), Config(1, 8, 24)}), 2u);
  // Too few depth bits count for more than too many.
  EXPECT_EQ(ChooseClosestFramebuffer({Config(1, 8, 8), Config(1, 8, 32)}), 1u);
  // No alpha: 24 colour bits are the nearest to 32 on offer.
  EXPECT_EQ(ChooseClosestFramebuffer({Config(1, 0, 24, 8), Config(1, 0, 16)}), 1u);

  FramebufferTraits accum = Config(1, 8, 16), aux = Config(1, 8, 16), slow = Config(1, 8, 16);
  accum.Accum = 64;
  aux.AuxBuffers = 2;
  slow.Caveat = true;
  // The depth nearest 16 counts before extra buffers; of those, the fewest bits.
  EXPECT_EQ(ChooseClosestFramebuffer({slow, accum, aux, Config(1, 8, 24)}), 2u);
  EXPECT_EQ(ChooseClosestFramebuffer({accum, Config(1, 8, 16, 8)}), 1u);
  // A caveat counts before everything but missing bits.
  EXPECT_EQ(ChooseClosestFramebuffer({slow, accum}), 1u);
  EXPECT_EQ(ChooseClosestFramebuffer({Config(1, 8, 8), slow}), 1u);

  FramebufferTraits thin = Config(1, 0, 16);
  thin.Red = thin.Blue = 5;
  thin.Green = 6;
  EXPECT_EQ(ChooseClosestFramebuffer({thin, Config(1, 8, 24, 8)}), 1u);
}

TEST(VisualChoice, AvoidsVisualsThatCannotShowTheSceneAsIs) {
  // A 32-bit ARGB visual would let a compositor blend the desktop through the
  // clear colour's zero alpha; DirectColor needs its colour map filled first.
  FramebufferTraits argb = Config(0x5a, 8, 16);
  argb.VisualDepth = 32;
  FramebufferTraits direct = Config(0x22, 8, 16);
  direct.TrueColour = false;
  EXPECT_EQ(ChooseClosestFramebuffer({argb, direct, Config(0x21, 0, 24, 8)}), 2u);
  // With nothing else, they still do.
  EXPECT_EQ(ChooseClosestFramebuffer({argb}), 0u);
}

TEST(VisualChoice, OnlyDoubleBufferedRgbaWindowConfigurationsCount) {
  FramebufferTraits single = Config(1, 8, 16), index = Config(1, 8, 16), pbuffer = Config(1, 8, 16),
                    invisible = Config(0, 8, 16), noColour = Config(1, 8, 16);
  single.DoubleBuffer = false;
  index.Rgba = false;
  pbuffer.DrawsToWindow = false;
  noColour.Red = noColour.Green = noColour.Blue = 0;
  EXPECT_EQ(ChooseClosestFramebuffer({single, index, pbuffer, invisible, noColour}), std::nullopt);
  EXPECT_EQ(ChooseClosestFramebuffer({}), std::nullopt);
  EXPECT_EQ(ChooseClosestFramebuffer({single, index, Config(1, 0, 0)}), 2u);
}

TEST(VisualChoice, AGivenWindowsVisualIsTheOnlyChoice) {
  const std::vector<FramebufferTraits> configs = {Config(0x21, 8, 16), Config(0x5a, 0, 24, 8),
                                                  Config(0x5a, 0, 0)};
  EXPECT_EQ(ChooseClosestFramebuffer(configs, 0x5a), 1u);
  EXPECT_EQ(ChooseClosestFramebuffer(configs, 0x21), 0u);
  EXPECT_EQ(ChooseClosestFramebuffer(configs, 0x99), std::nullopt);
}

TEST(VisualChoice, TiesGoToTheLibrarysOrder) {
  EXPECT_EQ(ChooseClosestFramebuffer({Config(7, 8, 16), Config(8, 8, 16)}), 0u);
}

}  // namespace
