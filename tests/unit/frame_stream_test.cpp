// The OpenGL call stream of whole full-screen frames, now that the ground's
// and the flakes' face normals are worked out once, when they are built: every
// face normal in the stream must be exactly the one computed afresh from the
// three corners sent under it, at the first frames and after 1,200 frames,
// once the snow has spread and many flakes have been born again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/extended.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "snow/flakes.h"
#include "snow/ground.h"
#include "test_platform.h"

namespace {

// (p2 - p1) x (p3 - p1): edge differences rounded to single precision, each
// component's two products exact in extended precision, one rounding at the
// end; the rule every face normal of the scene follows.
struct Normal {
  float x, y, z;
};

Normal FaceNormal(const float p1[3], const float p2[3], const float p3[3]) {
  float u[3], v[3];
  for (int i = 0; i < 3; ++i) {
    u[i] = static_cast<float>(Extended(p2[i]) - Extended(p1[i]));
    v[i] = static_cast<float>(Extended(p3[i]) - Extended(p1[i]));
  }
  const auto cross = [](float a, float b, float c, float d) {
    return static_cast<float>(Extended(a) * Extended(b) - Extended(c) * Extended(d));
  };
  return {cross(u[1], v[2], u[2], v[1]), cross(u[2], v[0], u[0], v[2]), cross(u[0], v[1], u[1], v[0])};
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct FrameSummary {
  long long FaceTriangles = 0;  // normals followed by exactly three corners
  long long WrongNormals = 0;
  int Flushes = 0, FlushesInsideBrackets = 0;
};

// Walks the recorded frame: each normal governs the vertices up to the next
// normal or glEnd; where it governs three, it is checked against the three.
FrameSummary Summarise(const std::vector<rgl::Call>& calls) {
  FrameSummary summary;
  bool inside = false;
  float normal[3] = {0, 0, 0};
  float corners[3][3];
  int cornerCount = -1;  // vertices since the last normal; -1 before any
  const auto settle = [&] {
    if (cornerCount == 3) {
      ++summary.FaceTriangles;
      const Normal expected = FaceNormal(corners[0], corners[1], corners[2]);
      if (!SameBits(normal[0], expected.x) || !SameBits(normal[1], expected.y) || !SameBits(normal[2], expected.z))
        ++summary.WrongNormals;
    }
    cornerCount = -1;
  };
  for (const rgl::Call& call : calls) {
    if (call.name == "glFlush") {
      // Flushes are the one thing the frame may add to the stream.
      ++summary.Flushes;
      summary.FlushesInsideBrackets += inside;
      continue;
    }
    if (call.name == "glBegin") inside = true;
    if (call.name == "glEnd") {
      settle();
      inside = false;
    } else if (call.name == "glNormal3fv") {
      settle();
      for (int i = 0; i < 3; ++i) normal[i] = static_cast<float>(call[i]);
      cornerCount = 0;
    } else if (call.name == "glVertex3fv" && cornerCount >= 0) {
      if (cornerCount < 3)
        for (int i = 0; i < 3; ++i) corners[cornerCount][i] = static_cast<float>(call[i]);
      ++cornerCount;
    }
  }
  return summary;
}

TEST(FrameStream, EveryFaceNormalOfAFullScreenFrameIsTheOneItsCornersGive) {
  ScopedTestPlatform fake;
  rgl::Reset();
  CreateScene(SceneKind::FullScreen, 1920, 1080, 5);
  SetUpRenderingState(SceneKind::FullScreen, 1920, 1080);

  // The ground's and the flakes' triangles at least, and the curtain's.
  const long long faceTriangles = GroundTriangleCount() + FlakeCount * FlakeTriangleCount + 2 * 100 * 20;
  // A flake is born again above the view once it has fallen below -0.5: its
  // height goes up. Falling 0.002 a frame, by the end of frame 1,201 a flake
  // has been born again if it started below 1.902, and not if above: the
  // snow has spread, and many flakes have new patterns (the margin of a few
  // frames leaves the rounding of the sums out).
  std::vector<bool> reborn(FlakeCount, false);
  std::vector<double> start(FlakeCount);
  for (int i = 0; i < FlakeCount; ++i) start[static_cast<std::size_t>(i)] = double(Snowfall.Flakes[i].y);
  for (int frame = 1; frame <= 1202; ++frame) {
    const bool recorded = frame == 1 || frame == 2 || frame >= 1201;
    rgl::SetRecording(recorded);
    rgl::ClearCalls();
    Extended heights[FlakeCount];
    for (int i = 0; i < FlakeCount; ++i) heights[i] = Snowfall.Flakes[i].y;
    Timer1Timer();
    for (int i = 0; i < FlakeCount; ++i)
      if (Snowfall.Flakes[i].y > heights[i]) reborn[static_cast<std::size_t>(i)] = true;
    if (!recorded) continue;
    for (std::size_t i = 0; frame == 1201 && i < reborn.size(); ++i) {
      if (start[i] < 1.9 || start[i] > 1.904) {
        EXPECT_EQ(reborn[i], start[i] < 1.9) << "flake " << i << " from " << start[i];
      }
    }
    if (frame == 1201) {
      EXPECT_GT(std::count(reborn.begin(), reborn.end(), true), FlakeCount / 4);
    }
    const FrameSummary summary = Summarise(rgl::Calls());
    EXPECT_GE(summary.FaceTriangles, faceTriangles) << "frame " << frame;
    EXPECT_EQ(summary.WrongNormals, 0) << "frame " << frame;
    EXPECT_EQ(summary.FlushesInsideBrackets, 0) << "frame " << frame;
  }
  rgl::SetRecording(true);
  rgl::ClearCalls();
  EXPECT_TRUE(rgl::Current().errors.empty());
}

}  // namespace
