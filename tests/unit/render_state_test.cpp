#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/extended.h"
#include "base/scene_params.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

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

// An area narrower than 4:3 gets the scene in a band of its full width and
// three quarters of it in height (rounded), centred; 4:3 and wider the whole.
TEST_F(RenderStateTest, NarrowAreasDrawTheSceneInAFourByThreeBand) {
  struct Row {
    int width, height;
    int bandY, bandHeight;  // the whole area when bandHeight == height
  };
  // A width of each residue modulo 4: three quarters of it is whole, or ends
  // in .75 (up), .5 (a half: up) or .25 (down); an odd row left goes on top.
  for (const Row& row : {Row{1024, 768, 0, 768}, Row{1024, 769, 0, 768}, Row{1920, 1080, 0, 1080},
                         Row{720, 720, 90, 540}, Row{540, 960, 277, 405}, Row{2, 700, 349, 2},
                         Row{360, 1000, 365, 270}, Row{361, 1000, 364, 271}, Row{362, 1000, 364, 272},
                         Row{363, 1000, 364, 272}, Row{1, 9, 4, 1}, Row{3, 9, 3, 2}}) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    const bool banded = row.bandHeight != row.height;
    CreateScene(SceneKind::FullScreen, row.width, row.height, 1);
    EXPECT_EQ(SceneParams.Aspect, float(Extended(row.width) / row.bandHeight));
    for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
      rgl::Reset();
      InitGL(kind, row.width, row.height);
      const bool viewport = kind == SceneKind::FullScreen || banded;
      EXPECT_EQ(rgl::CountOf("glViewport"), viewport ? 1u : 0u);
      if (viewport) {
        EXPECT_EQ(rgl::Current().viewport, (std::array<int, 4>{0, row.bandY, row.width, row.bandHeight}));
      }
      ExpectCalls(viewport ? 3 : 2, {{"gluPerspective", {45.0, double(row.width) / row.bandHeight, 0.1, 100.0}}});
      // Only a band clips: the scene's own clear stays inside it.
      EXPECT_EQ(rgl::Current().enabled.count(GL_SCISSOR_TEST), banded ? 1u : 0u);
      EXPECT_EQ(rgl::CountOf("glScissor"), banded ? 1u : 0u);
    }
  }
  // A wide area after a band clips no more.
  InitGL(SceneKind::FullScreen, 1280, 720);
  EXPECT_EQ(rgl::Current().enabled.count(GL_SCISSOR_TEST), 0u);
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

// Notes where in the recorded calls the frame presented.
class SwapNotingPlatform : public TestPlatform {
 public:
  std::size_t CallsAtSwap = 0;
  void SwapBuffers() override {
    CallsAtSwap = rgl::Calls().size();
    TestPlatform::SwapBuffers();
  }
};

class FrameSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rgl::Reset();
    CreateScene(SceneKind::FullScreen, 800, 600, 3);
    SetUpRenderingState(SceneKind::FullScreen, 800, 600);
    rgl::Reset();
  }
  SwapNotingPlatform platform;
  PlatformScope scope{platform};
};

// The frame as a line of steps: the clear, each change of blend function,
// each bracket named by its size, the text, the frame's own identity load
// (not those that start a text line) and the present.
std::string StepsOf(const std::vector<rgl::Call>& calls, std::size_t callsAtSwap) {
  std::vector<std::string> steps;
  std::string blend;
  int corners = 0;
  for (std::size_t i = 0; i <= calls.size(); ++i) {
    if (i == callsAtSwap) steps.push_back("swap");
    if (i == calls.size()) break;
    const rgl::Call& c = calls[i];
    const std::string& n = c.name;
    if (n == "glClear" && c[0] == (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)) steps.push_back("clear");
    if (n == "glCallLists") steps.push_back("text");
    if (n == "glLoadIdentity" && !(i + 1 < calls.size() && calls[i + 1].name == "glTranslatef") &&
        !(i + 1 < calls.size() && calls[i + 1].name == "glColor4f"))
      steps.push_back("identity");
    if (n == "glBlendFunc" && c[0] == GL_SRC_ALPHA) {
      const std::string now = c[1] == GL_ONE ? "add" : c[1] == GL_ONE_MINUS_SRC_ALPHA ? "alpha" : "other";
      if (now != blend) steps.push_back(blend = now);
    }
    if (n == "glBegin") corners = 0;
    corners += n == "glVertex3fv";
    if (n == "glEnd") {
      const char* name = corners == 12000 ? "curtain" : corners == 180000 ? "ground" : corners == 9720 ? "dial"
                       : corners == 360 ? "hand" : corners == 288 ? "flake"
                       : corners % 72 == 0 && corners >= 8 * 72 && corners <= 14 * 72 ? "digit" : "?";
      steps.push_back(name);
    }
  }
  std::string line;  // runs of one step written once with their length
  for (std::size_t i = 0; i < steps.size();) {
    std::size_t end = i;
    while (end < steps.size() && steps[end] == steps[i]) ++end;
    if (!line.empty()) line += ' ';
    line += steps[i];
    if (end - i > 1) line.append("x").append(std::to_string(end - i));
    i = end;
  }
  return line;
}

TEST_F(FrameSequenceTest, FullScreenFrameRunsItsStepsInOrder) {
  TextDrift.Angles[0] = 10, TextDrift.Angles[1] = 20, TextDrift.Angles[2] = 30;
  SceneParams.SwaySteps[0] = SceneParams.SwaySteps[1] = SceneParams.SwaySteps[2] = 0.25f;
  HeadlineFade.Step = -0.001f;
  Timer1Timer();
  EXPECT_EQ(StepsOf(rgl::Calls(), platform.CallsAtSwap),
            "clear add curtain textx6 identity alpha digitx15 dial handx3 add ground alpha flakex201 swap");
  // The text was drawn with the sway and the headline alpha as they stood;
  // both moved on after it.
  const auto turns = rgl::CallsNamed("glRotatef");
  ASSERT_GE(turns.size(), 3u);
  EXPECT_TRUE(turns[0][0] == 10 && turns[1][0] == 20 && turns[2][0] == 30);
  EXPECT_EQ(rgl::CallsNamed("glColor4f").at(0)[3], 0.2f);
  EXPECT_EQ(TextDrift.Angles[0], 10.25f);
  EXPECT_EQ(SceneParams.TextAlpha, 0.2f - 0.001f);
  EXPECT_EQ(platform.Events, (std::vector<std::string>{"swap"}));
  // And it leaves the state the next frame starts from.
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  EXPECT_EQ(rgl::Current().enabled.count(GL_DEPTH_TEST), 0u);
  EXPECT_TRUE(rgl::Current().errors.empty());
}

TEST_F(FrameSequenceTest, ReadsTheMomentEveryFrame) {
  platform.Now = {2026, 12, 20, 14, 25, 10, 0};
  Timer1Timer();
  EXPECT_EQ(HandAngles.Hour, 17.5L);
  EXPECT_EQ(SceneParams.Day, 20);
  platform.Now = {2027, 1, 1, 3, 0, 0, 0};
  Timer1Timer();
  EXPECT_EQ(HandAngles.Hour, 0);
  EXPECT_EQ(SceneParams.Year, 2027);
  EXPECT_EQ(SceneParams.Month, 1);
  EXPECT_EQ(SceneParams.Day, 1);
}

TEST_F(FrameSequenceTest, PreviewFramePausesAfterPresenting) {
  DrawPreviewFrame();
  EXPECT_EQ(platform.Events, (std::vector<std::string>{"swap", "sleep 40"}));
}

}  // namespace
