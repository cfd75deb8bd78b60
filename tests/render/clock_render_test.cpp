// The clock as Mesa draws it, checked from pixels: the face's centre is
// projected to the picture and the hands are found along rays out of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "clock/clock_pass.h"
#include "host/headless/render_session.h"
#include "pass_picture.h"
#include "pixels.h"

namespace {

constexpr int Width = 1280, Height = 720;
constexpr double Degree = 3.14159265358979323846 / 180;

Picture RenderAt(const char* moment) {
  RenderOptions options;
  options.Width = Width;
  options.Height = Height;
  options.At = ParseMoment(moment);
  options.Seed = 1;
  std::string error;
  auto session = RenderSession::Start(options, error);
  EXPECT_NE(session, nullptr) << error;
  if (!session) return {};
  // One whole frame reads the moment and turns the hands; then the clock
  // section is drawn again alone, over nothing but the clear colour, under
  // the alpha blending the frame gives it.
  session->RunFrame();
  return DrawAlone(*session, GL_ONE_MINUS_SRC_ALPHA, DrawClockFace);
}

// Brightness at (x, y) scene units from the clock's centre. The face lies at
// eye-space (0.28 * aspect, 0.2, -1.5), seen through a 45-degree perspective.
int FaceBrightness(const Picture& picture, double x, double y) {
  const double aspect = double(picture.width) / picture.height;
  const double f = 1 / std::tan(22.5 * Degree), depth = 1.5;
  const double centreX = (f / aspect * 0.28 * double(static_cast<float>(aspect)) / depth + 1) / 2 * picture.width;
  const double centreY = (1 - f * 0.2 / depth) / 2 * picture.height;  // 244.1 for 720 rows
  const double scale = f / depth * picture.height / 2;                 // pixels per scene unit
  return picture.Brightness(static_cast<int>(std::lround(centreX + x * scale)),
                            static_cast<int>(std::lround(centreY - y * scale)));
}

// Mean brightness along the ray at `degrees` (counter-clockwise from +x)
// between two radii; inside 0.27 only the hands are drawn.
double Ray(const Picture& picture, double degrees, double from = 0.08, double to = 0.27) {
  double sum = 0;
  int samples = 0;
  for (double r = from; r <= to; r += 0.0025, ++samples)
    sum += FaceBrightness(picture, r * std::cos(degrees * Degree), r * std::sin(degrees * Degree));
  return sum / samples;
}

int BrightestDirection(const Picture& picture, int from, int to) {
  int best = from;
  for (int d = from; d <= to; ++d)
    if (Ray(picture, d) > Ray(picture, best)) best = d;
  return best;
}

double MedianRay(const Picture& picture) {
  std::vector<double> rays;
  for (int d = 0; d < 360; ++d) rays.push_back(Ray(picture, d));
  std::nth_element(rays.begin(), rays.begin() + 180, rays.end());
  return rays[180];
}

TEST(ClockRender, AtThreeTheHourHandPointsRightAndTheOthersUp) {
  const Picture picture = RenderAt("2026-12-20 03:00:00");
  ASSERT_EQ(picture.width, Width);
  const double background = MedianRay(picture);
  EXPECT_NEAR(BrightestDirection(picture, -40, 40), 0, 2);
  EXPECT_NEAR(BrightestDirection(picture, 50, 130), 90, 2);
  EXPECT_GT(Ray(picture, 0), background + 60);
  EXPECT_GT(Ray(picture, 90), background + 60);
  for (int away : {45, 135, 180, 225, 270, 315}) EXPECT_LT(Ray(picture, away), background + 10) << away;
  // The hand pointing right is the short one: past the hour hand's tip
  // (0.297) only the minute and second hands, pointing up, still show.
  EXPECT_GT(Ray(picture, 90, 0.305, 0.32), Ray(picture, 0, 0.305, 0.32) + 60);
  EXPECT_GT(Ray(picture, 0, 0.2, 0.28), Ray(picture, 0, 0.305, 0.32) + 60);
}

TEST(ClockRender, AtHalfPastNineTheHourHandStandsBetweenNineAndTen) {
  const Picture picture = RenderAt("2026-12-20 09:30:00");
  ASSERT_EQ(picture.width, Width);
  // Nine is at 180 degrees, ten at 150; the minute hand points down, the second hand up.
  EXPECT_NEAR(BrightestDirection(picture, 130, 200), 165, 2);
  EXPECT_GT(Ray(picture, 165), Ray(picture, 180) + 40);
  EXPECT_GT(Ray(picture, 165), Ray(picture, 150) + 40);
  EXPECT_NEAR(BrightestDirection(picture, 230, 310), 270, 2);
  EXPECT_NEAR(BrightestDirection(picture, 50, 130), 90, 2);
  EXPECT_LT(Ray(picture, 0), MedianRay(picture) + 10);
}

TEST(ClockRender, MarksAndNumeralsStandWhereTheyBelong) {
  const Picture picture = RenderAt("2026-12-20 03:00:00");
  ASSERT_EQ(picture.width, Width);
  // Lit cells stand far above the face's own background, taken where nothing
  // of the clock is drawn at three o'clock; gaps stay close to it.
  const int clear = FaceBrightness(picture, -0.2, -0.2);
  const auto lit = [&](double x, double y) { return FaceBrightness(picture, x, y) > clear + 300; };
  const auto gap = [&](double x, double y) { return FaceBrightness(picture, x, y) < clear + 40; };
  // Mark 0 at (0, 0.4); halfway to mark 1 (3 degrees on) and outside the ring is clear.
  EXPECT_TRUE(lit(0, 0.4));
  EXPECT_TRUE(gap(0.4 * std::cos(87 * Degree), 0.4 * std::sin(87 * Degree)));
  EXPECT_TRUE(gap(0.45, 0.1));
  // The 12: its 1 (shifted to -0.024) stands in the column x = -0.012, its 2
  // (shifted to +0.016) begins at x = 0.004, and the gap between is clear.
  EXPECT_TRUE(lit(-0.012, 0.36));
  EXPECT_TRUE(lit(0.004, 0.36 - 0.016));
  EXPECT_TRUE(gap(-0.004, 0.36));
  // The lone 1 is pulled left: its stem runs through x = 0.18 + 0.004.
  EXPECT_TRUE(lit(0.184, 0.3118));
  EXPECT_TRUE(gap(0.192, 0.3118));
  // The 6's cell (-1, -6) at (-0.004, -0.384).
  EXPECT_TRUE(lit(-0.004, -0.384));
}

}  // namespace
