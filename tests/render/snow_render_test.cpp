// The snow as Mesa draws it: the ground a lit white band across the lower
// part of the picture, the flakes small stars that come into view as they fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/opengl.h"
#include "host/headless/render_session.h"
#include "host/headless/state_json.h"
#include "pass_picture.h"
#include "pixels.h"
#include "snow/flakes.h"
#include "snow/ground.h"

namespace {

constexpr int Width = 1280, Height = 720;

std::unique_ptr<RenderSession> Start(int frames) {
  RenderOptions options;
  options.Width = Width;
  options.Height = Height;
  options.At = ParseMoment("2026-12-20 14:25:10");
  options.Seed = 1;
  options.Frames = frames;
  std::string error;
  auto session = RenderSession::Start(options, error);
  EXPECT_NE(session, nullptr) << error;
  if (session)
    for (int i = 0; i < frames; ++i) session->RunFrame();
  return session;
}

Picture PictureOf(const RenderSession& session) { return {session.Width(), session.Height(), session.Pixels()}; }

// Lit white added to the dark blue (0, 0, 51): grey in red and green, the
// blue 51 above them until it saturates.
bool GroundColour(const Rgb& c) {
  return c.r > 60 && std::abs(c.g - c.r) <= 2 && std::abs(c.b - std::min(255, c.r + 51)) <= 3;
}

TEST(SnowRender, TheGroundIsALitWhiteBandAcrossTheLowerPicture) {
  auto session = Start(1);
  ASSERT_NE(session, nullptr);
  // The ground alone: the curtain behind it would tint the colours tested here.
  const Picture p = DrawAlone(*session, GL_ONE_MINUS_SRC_ALPHA, [] { DrawGround(); });

  // Up from the bottom edge every column is ground, to a ragged horizon of
  // low ridges between about two thirds and three quarters of the way down.
  int highest = Height, lowest = 0;
  std::vector<int> reds;
  for (int x = 0; x < Width; ++x) {
    int y = Height - 1;
    while (y >= 0 && GroundColour(p.At(x, y))) reds.push_back(p.At(x, y--).r);
    const int top = y + 1;
    highest = std::min(highest, top);
    lowest = std::max(lowest, top);
    ASSERT_GT(top, Height * 60 / 100) << "column " << x;
    ASSERT_LT(top, Height * 80 / 100) << "column " << x;
  }
  EXPECT_GT(lowest - highest, 15) << "ridges, not a straight edge";

  // Lit, not flat: the slopes take the light differently. With the depth
  // test only the nearest surface adds its light, so next to nothing
  // saturates, as overlapping ridges summed over one another would.
  std::sort(reds.begin(), reds.end());
  ASSERT_GT(reds.size(), std::size_t(Width * Height / 5));
  EXPECT_GT(reds[reds.size() * 9 / 10] - reds[reds.size() / 10], 25);
  EXPECT_LT(std::count(reds.begin(), reds.end(), 255), std::ptrdiff_t(reds.size() / 100));
}

struct Blob {
  int pixels = 0, left = Width, right = 0, top = Height, bottom = 0;
};

// Groups of touching lit pixels.
std::vector<Blob> Blobs(const Picture& p) {
  std::vector<int> seen(std::size_t(p.width) * std::size_t(p.height), 0);
  std::vector<Blob> blobs;
  std::vector<std::pair<int, int>> stack;
  for (int y0 = 0; y0 < p.height; ++y0)
    for (int x0 = 0; x0 < p.width; ++x0) {
      if (seen[std::size_t(y0) * std::size_t(p.width) + std::size_t(x0)] || p.At(x0, y0).r < 20) continue;
      Blob blob;
      stack.assign(1, {x0, y0});
      seen[std::size_t(y0) * std::size_t(p.width) + std::size_t(x0)] = 1;
      while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        ++blob.pixels;
        blob.left = std::min(blob.left, x), blob.right = std::max(blob.right, x);
        blob.top = std::min(blob.top, y), blob.bottom = std::max(blob.bottom, y);
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= p.width || ny >= p.height) continue;
          int& mark = seen[std::size_t(ny) * std::size_t(p.width) + std::size_t(nx)];
          if (mark || p.At(nx, ny).r < 20) continue;
          mark = 1;
          stack.push_back({nx, ny});
        }
      }
      blobs.push_back(blob);
    }
  return blobs;
}

// The flakes of the next tick alone, in a cleared picture, over the state
// the frames left: identity model-view, alpha blending, no depth test.
Picture FlakesAlone(RenderSession& session) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  UpdateAndDrawFlakes();
  return PictureOf(session);
}

TEST(SnowRender, FlakesComeIntoViewAsSmallStarsWhileTheyFall) {
  auto fresh = Start(1);
  ASSERT_NE(fresh, nullptr);
  const std::vector<Blob> early = Blobs(FlakesAlone(*fresh));
  fresh.reset();
  // 400 ticks on: the frames' other passes cannot move a flake, so only the
  // flakes' own ticks are run.
  auto later = Start(1);
  ASSERT_NE(later, nullptr);
  for (int tick = 1; tick < 400; ++tick) UpdateAndDrawFlakes();
  const std::vector<Blob> fallen = Blobs(FlakesAlone(*later));

  // Born from 1 to 3 units up, most flakes start above the view; 400 ticks
  // later many have come down into it.
  EXPECT_LT(early.size(), 25u);
  EXPECT_GT(fallen.size(), early.size() + 40);
  // Each a small star of some 0.03 units across, seen from 1 to 3 units away:
  // at most some 30 pixels wide, and, but where two overlap, about as wide
  // as high, a six-pointed star rather than a streak.
  int whole = 0, round = 0;
  for (const Blob& b : fallen) {
    EXPECT_LE(b.right - b.left, 32);
    EXPECT_LE(b.bottom - b.top, 32);
    const bool inside = b.left > 0 && b.top > 0 && b.right < Width - 1 && b.bottom < Height - 1;
    if (!inside || b.pixels < 20) continue;
    ++whole;
    const double w = b.right - b.left + 1, h = b.bottom - b.top + 1;
    round += std::max(w, h) / std::min(w, h) < 1.3;
  }
  EXPECT_GT(whole, 10);
  EXPECT_GT(round, whole * 8 / 10);
}

TEST(SnowRender, TheStateTellsTheFlakesAndTheGround) {
  auto session = Start(3);
  ASSERT_NE(session, nullptr);
  std::ostringstream out;
  WriteStateJson(out);
  const std::string json = out.str();
  for (const char* expected : {"\"Snowfall\":{\"FlakeCount\":201,\"Flakes\":[{\"x\":", "\"spin\":0.6",
                               "\"Ground\":{\"Columns\":300,\"Rows\":100,\"Left\":-0.7"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

}  // namespace
