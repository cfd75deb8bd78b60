#include <gtest/gtest.h>

#include <cmath>

#include "base/random.h"
#include "base/scene_params.h"
#include "base/triangle_normal.h"
#include "clock_test_support.h"
#include "snow/ground.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

class GroundTest : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }

  static void Build(int columns, int rows, float aspect, std::uint64_t seed = 4) {
    SceneParams = {};
    SceneParams.MeshColumns = columns;
    SceneParams.MeshRows = rows;
    SceneParams.Aspect = aspect;
    SceneParams.Waves[0].Phase = 1.7L;
    SceneParams.Waves[1].Phase = 4.2L;
    SceneParams.Waves[2].Phase = 0.6L;
    SeedRandom(seed);
    BuildGround();
  }
};

TEST_F(GroundTest, PointsFollowTheRidgeFormulaWithAFlatFrontRowAndOneDrawEach) {
  Build(300, 100, 16.0f / 9);
  const std::int32_t next = Random(1 << 30);
  SeedRandom(4);  // the build's draws again, one per point, row by row
  const Extended aspect = 16.0f / 9, p1 = 1.7L, p2 = 4.2L, p3 = 0.6L;
  Extended highest = 0;
  for (int i = 0; i <= 100; ++i)
    for (int j = 0; j <= 300; ++j) {
      // Even rows a quarter column right, odd rows a quarter column left.
      const Extended x = ((i % 2 ? -1 : 1) / 1200.0L + j / 300.0L - 0.5L) * aspect / 1.2L;
      ASSERT_NEAR(double(Ground.x[i][j]), double(x), 1e-15) << i << " " << j;
      ASSERT_NEAR(double(Ground.z[i][j]), 0.9 - i / 200.0, 1e-15);
      ASSERT_TRUE(Ground.r[i][j] == 1 && Ground.g[i][j] == 1 && Ground.b[i][j] == 1 && Ground.a[i][j] == 1);
      const Vector3f position = ToVector3f(Ground.x[i][j], Ground.y[i][j], Ground.z[i][j]);
      ASSERT_TRUE(Same(Ground.Position[i][j], position)) << "the float copy is the conversion itself";
      const Extended u = std::sin(2 * Pi * x) + std::sin(p1) / 2, v = std::sin(Pi * i / 100);
      const Extended w = u * u + v * v + 0.001L;
      const Extended p = u * u - v * v - w * w + (std::sin((p1 + 2) * u + p2) + std::sin(p3)) / 2;
      const Extended q = u * v + w + (std::cos((p2 + 2) * v + p1) + std::cos(p2)) / 20;
      const Extended rise = std::sqrt(0.9L * i / 100 + 0.01L);
      const Extended y = (Random(100) / 200000.0L + std::fabs(std::log(std::fabs(p * q) + 0.1L) / 50)) * rise;
      ASSERT_NEAR(double(Ground.y[i][j]), i == 0 ? 0 : double(y), 1e-15) << i << " " << j;
      highest = std::max(highest, Ground.y[i][j]);
    }
  EXPECT_EQ(Random(1 << 30), next);
  EXPECT_GT(highest, 0.01L);
  EXPECT_LT(highest, 0.08L) << "a few hundredths of a unit";
  // Sizes beyond the storage are held to it.
  Build(1000, 500, 4.0f / 3);
  EXPECT_TRUE(Ground.Columns == 300 && Ground.Rows == 100);
}

TEST_F(GroundTest, OneBracketOfUpFacingTrianglesWithTheDepthTestAndAdditiveBlend) {
  Build(60, 20, 4.0f / 3);
  DrawGround();
  const auto& calls = rgl::Calls();
  const char* opening[] = {"glBlendFunc", "glEnable", "glPushMatrix", "glTranslatef", "glBegin"};
  const char* closing[] = {"glEnd", "glPopMatrix", "glDisable", "glBlendFunc"};
  for (std::size_t n = 0; n < 5; ++n) EXPECT_EQ(calls[n].name, opening[n]);
  for (std::size_t n = 0; n < 4; ++n) EXPECT_EQ(calls[calls.size() - 4 + n].name, closing[n]);
  EXPECT_TRUE(calls[0][0] == GL_SRC_ALPHA && calls[0][1] == GL_ONE);
  EXPECT_EQ(calls[1][0], GL_DEPTH_TEST);
  EXPECT_TRUE(calls[3][0] == 0 && calls[3][1] == -0.21f && calls[3][2] == -1.4f);
  EXPECT_EQ(calls[4][0], GL_TRIANGLES);
  EXPECT_EQ(calls[calls.size() - 2][0], GL_DEPTH_TEST);
  EXPECT_TRUE(rgl::Current().blendSource == GL_SRC_ALPHA && rgl::Current().blendDestination == GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(rgl::Current().enabled.count(GL_DEPTH_TEST), 0u);
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));

  ASSERT_EQ(rgl::Brackets().size(), 1u);
  const auto corners = CornersOf(rgl::Brackets()[0]);
  ASSERT_EQ(corners.size(), 3u * 2400);
  const auto at = [](int i, int j) { return Ground.Position[i][j]; };
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 60; ++j) {
      const std::size_t n = std::size_t(i * 60 + j) * 6;
      // Rows 0, 2, ... cut from A = (i, j) to B = (i+1, j+1): ABC, ADB;
      // rows 1, 3, ... from D = (i, j+1) to C = (i+1, j): DBC, ADC.
      const Vector3f a = at(i, j), b = at(i + 1, j + 1), c = at(i + 1, j), d = at(i, j + 1);
      const Vector3f expected[6] = {i % 2 ? d : a, b, c, a, d, i % 2 ? c : b};
      for (std::size_t k = 0; k < 6; ++k) {
        ASSERT_TRUE(Same(corners[n + k].Position, expected[k])) << i << " " << j << " " << k;
        ASSERT_EQ(corners[n + k].FreshNormal, k % 3 == 0);
        ASSERT_TRUE(corners[n + k].Colour.r == 1 && corners[n + k].Colour.a == 1);
      }
      for (std::size_t t : {n, n + 3}) {
        const Vector3f normal = TriangleNormal(corners[t].Position, corners[t + 1].Position, corners[t + 2].Position);
        ASSERT_TRUE(Same(corners[t].Normal, normal));
        ASSERT_GT(normal.y, 0) << "every triangle faces up: " << i << " " << j;
        // A triangular lattice: two corners a column apart on one row, the
        // third on the other row level with the middle of that side.
        const Vector3f& p = corners[t].Position;
        const Vector3f& q = corners[t + 1].Position;
        const Vector3f& r = corners[t + 2].Position;
        const Vector3f& lone = p.z == q.z ? r : (q.z == r.z ? p : q);
        const Vector3f& s1 = p.z == q.z ? p : (q.z == r.z ? q : r);
        const Vector3f& s2 = p.z == q.z ? q : (q.z == r.z ? r : p);
        ASSERT_NEAR(lone.x, (s1.x + s2.x) / 2, 1e-6) << i << " " << j;
      }
    }
}

TEST_F(GroundTest, FullScreenIsSixtyThousandTriangles) {
  Build(300, 100, 16.0f / 9);
  rgl::SetRecording(false);
  DrawGround();
  rgl::SetRecording(true);
  EXPECT_EQ(rgl::Current().vertices, 180000);
}

}  // namespace
