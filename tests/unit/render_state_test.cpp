#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_platform.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "host/scene_params.h"
#include "host/scene_setup.h"
#include "recording_gl.h"

namespace {

using Expected = std::pair<std::string, std::vector<double>>;

// Compares the recorded calls from `first` on with the expected names and
// arguments (float arguments compared at float precision).
void ExpectCalls(std::size_t first, const std::vector<Expected>& expected) {
  const auto& calls = rgl::Calls();
  ASSERT_GE(calls.size(), first + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const rgl::Call& call = calls[first + i];
    SCOPED_TRACE("call " + std::to_string(first + i) + " " + call.name);
    EXPECT_EQ(call.name, expected[i].first);
    ASSERT_EQ(call.argCount, static_cast<int>(expected[i].second.size()));
    for (std::size_t a = 0; a < expected[i].second.size(); ++a)
      EXPECT_FLOAT_EQ(static_cast<float>(call[static_cast<int>(a)]), static_cast<float>(expected[i].second[a]));
  }
}

std::vector<Expected> LightingCalls() {
  return {
      {"glEnable", {GL_LIGHTING}},
      {"glLightfv", {GL_LIGHT0, GL_AMBIENT, 0.2, 0.2, 0.2, 1.0}},
      {"glLightfv", {GL_LIGHT0, GL_DIFFUSE, 0.3, 0.3, 0.3, 1.0}},
      {"glLightfv", {GL_LIGHT0, GL_SPECULAR, 0.5, 0.5, 0.5, 1.0}},
      {"glLightfv", {GL_LIGHT0, GL_POSITION, 1.0, 1.0, 1.0, 1.0}},
      {"glLightfv", {GL_LIGHT0, GL_SPOT_DIRECTION, -1.0, -1.0, -1.0}},
      {"glMaterialfv", {GL_FRONT, GL_AMBIENT, 0.02, 0.02, 0.02, 1.0}},
      {"glMaterialfv", {GL_FRONT, GL_DIFFUSE, 0.3, 0.3, 0.3, 1.0}},
      {"glMaterialfv", {GL_FRONT, GL_SPECULAR, 0.5, 0.5, 0.5, 1.0}},
      {"glMaterialfv", {GL_FRONT, GL_EMISSION, 0.02, 0.02, 0.02, 1.0}},
      {"glMaterialf", {GL_FRONT, GL_SHININESS, 5.0}},
      {"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}},
      {"glEnable", {GL_LIGHT0}},
  };
}

class RenderStateTest : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  ScopedTestPlatform fake;
};

TEST_F(RenderStateTest, FullScreenInitGLCallByCall) {
  InitGL(SceneKind::FullScreen, 1920, 1080);
  ExpectCalls(0, {
                     {"glMatrixMode", {GL_PROJECTION}},
                     {"glLoadIdentity", {}},
                     {"glViewport", {0, 0, 1920, 1080}},
                     {"gluPerspective", {45.0, 1920.0 / 1080.0, 0.1, 100.0}},
                     {"glMatrixMode", {GL_MODELVIEW}},
                     {"glLoadIdentity", {}},
                     {"glEnable", {GL_COLOR_MATERIAL}},
                     {"glCullFace", {GL_BACK}},
                     {"glEnable", {GL_NORMALIZE}},
                     {"glEnable", {GL_BLEND}},
                     {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}},
                 });
  ExpectCalls(11, LightingCalls());
}

TEST_F(RenderStateTest, PreviewLeavesTheViewportToTheContext) {
  InitGL(SceneKind::Preview, 152, 112);
  EXPECT_EQ(rgl::CountOf("glViewport"), 0u);
  ExpectCalls(0, {{"glMatrixMode", {GL_PROJECTION}},
                  {"glLoadIdentity", {}},
                  {"gluPerspective", {45.0, 152.0 / 112.0, 0.1, 100.0}}});
  ExpectCalls(10, LightingCalls());
}

TEST_F(RenderStateTest, LeavesDepthTestAndCullingOffAndTheModelviewAtIdentity) {
  SetUpRenderingState(SceneKind::FullScreen, 800, 600);
  const rgl::State& state = rgl::Current();
  EXPECT_EQ(state.enabled, (std::set<GLenum>{GL_COLOR_MATERIAL, GL_NORMALIZE, GL_BLEND, GL_LIGHTING, GL_LIGHT0}));
  EXPECT_EQ(state.matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_TRUE(rgl::NearlyEqual(state.CurrentModelview(), rgl::Identity()));
  EXPECT_EQ(state.clearColour, (std::array<float, 4>{0, 0, 0.2f, 0}));
  EXPECT_EQ(rgl::Calls().back().name, "glClearColor");
  EXPECT_TRUE(state.errors.empty());
}

class FrameSequenceTest : public RenderStateTest {
 protected:
  void SetUp() override {
    RenderStateTest::SetUp();
    CreateScene(SceneKind::FullScreen, 800, 600, 3);
    SetUpRenderingState(SceneKind::FullScreen, 800, 600);
    rgl::Reset();
    fake.platform.Events.clear();
  }
};

TEST_F(FrameSequenceTest, FullScreenFrameRunsItsStepsInOrder) {
  Timer1Timer();
  // The frame's own calls, with the passes in between filtered out.
  std::vector<std::string> frame;
  for (const rgl::Call& call : rgl::Calls()) {
    if (call.name == "glClear") frame.push_back("clear " + std::to_string(int(call[0])));
    if (call.name == "glBlendFunc")
      frame.push_back("blend " + std::to_string(int(call[0])) + " " + std::to_string(int(call[1])));
  }
  ASSERT_GE(frame.size(), 3u);
  EXPECT_EQ(frame[0], "clear " + std::to_string(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
  EXPECT_EQ(frame[1], "blend " + std::to_string(GL_SRC_ALPHA) + " " + std::to_string(GL_ONE));
  EXPECT_EQ(fake.platform.Events, (std::vector<std::string>{"swap"}));
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  EXPECT_EQ(rgl::Current().blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(rgl::Current().blendDestination, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_TRUE(rgl::Current().enabled.count(GL_DEPTH_TEST) == 0);
  EXPECT_TRUE(rgl::Current().errors.empty());
}

TEST_F(FrameSequenceTest, ReadsTheMomentEveryFrame) {
  fake.platform.Now = {2026, 12, 20, 14, 25, 10, 0};
  Timer1Timer();
  EXPECT_EQ(HandAngles.Hour, 17.5L);
  EXPECT_EQ(SceneParams.Day, 20);
  fake.platform.Now = {2027, 1, 1, 3, 0, 0, 0};
  Timer1Timer();
  EXPECT_EQ(HandAngles.Hour, 0);
  EXPECT_EQ(SceneParams.Year, 2027);
  EXPECT_EQ(SceneParams.Month, 1);
  EXPECT_EQ(SceneParams.Day, 1);
}

TEST_F(FrameSequenceTest, PreviewFramePausesAfterPresenting) {
  DrawPreviewFrame();
  EXPECT_EQ(fake.platform.Events, (std::vector<std::string>{"swap", "sleep 40"}));
}

}  // namespace
