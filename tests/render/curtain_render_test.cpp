// The curtain as Mesa draws it, on its own under the frame's additive blend:
// coloured light added over the dark blue, strongest towards the top, gone at
// the bottom edge, and drifting from frame to frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "curtain/curtain.h"
#include "host/headless/render_session.h"
#include "pass_picture.h"
#include "pixels.h"

namespace {

std::unique_ptr<RenderSession> Start(int width, int height, std::uint64_t seed, bool preview = false) {
  RenderOptions options;
  options.Width = width;
  options.Height = height;
  options.At = ParseMoment("2026-12-20 14:25:10");
  options.Seed = seed;
  options.Preview = preview;
  std::string error;
  auto session = RenderSession::Start(options, error);
  EXPECT_NE(session, nullptr) << error;
  return session;
}

Picture Curtain(const RenderSession& session) { return DrawAlone(session, GL_ONE, DrawCurtain); }

// Light added over the clear colour, summed over the three channels.
int Added(const Picture& p, int x, int y) {
  const Rgb c = p.At(x, y);
  return c.r + c.g + (c.b - ClearColour.b);
}

double MeanAdded(const Picture& p, int y0, int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < p.width; ++x) sum += Added(p, x, y);
  return sum / (double(y1 - y0) * p.width);
}

double MeanDifference(const Picture& a, const Picture& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
  return sum / double(a.rgb.size());
}

TEST(CurtainRender, ColourBandsOverTheBlueFadingAtTheBottom) {
  // Patterns 10, 7 and 5 full screen and 3 in preview, each from its seed.
  struct Case {
    int width, height;
    std::uint64_t seed;
    bool preview;
    int pattern;
  };
  for (const Case c : {Case{640, 360, 1, false, 10}, Case{640, 480, 14, false, 7}, Case{480, 360, 7, false, 5},
                       Case{152, 112, 2, true, 3}}) {
    SCOPED_TRACE("seed " + std::to_string(c.seed) + (c.preview ? " preview" : ""));
    auto session = Start(c.width, c.height, c.seed, c.preview);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(ColourPattern, c.pattern);
    for (int frame = 0; frame < 20; ++frame) Curtain(*session);
    const Picture p = Curtain(*session);

    // Blending adds light and never takes any away from the clear colour.
    int darker = 0, redMin = 255, redMax = 0, greenMin = 255, greenMax = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const Rgb px = p.At(x, y);
        darker += px.b < ClearColour.b - 1;  // a level of rounding allowed
        if (y < p.height * 2 / 3) {
          redMin = std::min(redMin, px.r), redMax = std::max(redMax, px.r);
          greenMin = std::min(greenMin, px.g), greenMax = std::max(greenMax, px.g);
        }
      }
    EXPECT_EQ(darker, 0);
    // Bands: red and green each vary strongly across the upper part.
    EXPECT_GT(redMax - redMin, 60);
    EXPECT_GT(greenMax - greenMin, 40);

    // The sheet spans the whole width: light at both side edges up top.
    int leftLit = 0, rightLit = 0;
    for (int y = 0; y < p.height / 2; ++y) {
      leftLit += Added(p, 0, y) > 6;
      rightLit += Added(p, p.width - 1, y) > 6;
    }
    EXPECT_GT(leftLit, p.height / 8);
    EXPECT_GT(rightLit, p.height / 8);

    // Brightest in the upper half; at the bottom edge nearly nothing added.
    const double upper = MeanAdded(p, p.height / 10, p.height / 2);
    EXPECT_GT(upper, 40);
    EXPECT_LT(MeanAdded(p, p.height * 9 / 10, p.height), upper / 4);
    for (int x = 0; x < p.width; ++x) ASSERT_LE(Added(p, x, p.height - 1), 8) << x;
  }
}

TEST(CurtainRender, DriftsFromFrameToFrame) {
  auto session = Start(320, 240, 3);
  ASSERT_NE(session, nullptr);
  const Picture first = Curtain(*session);
  const Picture second = Curtain(*session);
  Picture later;
  for (int frame = 0; frame < 60; ++frame) later = Curtain(*session);
  // A step of about a hundredth of a radian per frame: neighbouring frames
  // almost alike, two seconds apart clearly not.
  const double step = MeanDifference(first, second), drift = MeanDifference(first, later);
  EXPECT_GT(step, 0);
  EXPECT_GT(drift, 10 * step);
  EXPECT_GT(drift, 4);
}

}  // namespace
