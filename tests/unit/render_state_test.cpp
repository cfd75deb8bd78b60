#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/extended.h"
#include "base/scene_params.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

// The lighting every window's set-up leaves: light 0, positional at (1, 1, 1)
// in eye coordinates with its spot towards (-1, -1, -1), a dim grey front
// material of shininess 5, a local viewer.
void ExpectLighting(const rgl::State& state) {
  using Values = std::vector<float>;
  EXPECT_EQ(state.lights, (std::map<std::pair<GLenum, GLenum>, Values>{
                              {{GL_LIGHT0, GL_AMBIENT}, {0.2f, 0.2f, 0.2f, 1}},
                              {{GL_LIGHT0, GL_DIFFUSE}, {0.3f, 0.3f, 0.3f, 1}},
                              {{GL_LIGHT0, GL_SPECULAR}, {0.5f, 0.5f, 0.5f, 1}},
                              {{GL_LIGHT0, GL_POSITION}, {1, 1, 1, 1}},
                              {{GL_LIGHT0, GL_SPOT_DIRECTION}, {-1, -1, -1}}}));
  EXPECT_EQ(state.materials, (std::map<std::pair<GLenum, GLenum>, Values>{
                                 {{GL_FRONT, GL_AMBIENT}, {0.02f, 0.02f, 0.02f, 1}},
                                 {{GL_FRONT, GL_DIFFUSE}, {0.3f, 0.3f, 0.3f, 1}},
                                 {{GL_FRONT, GL_SPECULAR}, {0.5f, 0.5f, 0.5f, 1}},
                                 {{GL_FRONT, GL_EMISSION}, {0.02f, 0.02f, 0.02f, 1}},
                                 {{GL_FRONT, GL_SHININESS}, {5}}}));
  EXPECT_EQ(state.lightModel, (std::map<GLenum, float>{{GL_LIGHT_MODEL_LOCAL_VIEWER, 1}}));
}

// The projection of a 45-degree vertical field of view over `aspect`, near
// plane 0.1 and far plane 100, as the OpenGL utility library defines it.
rgl::Matrix Perspective(double aspect) {
  const double f = 1 / std::tan(45.0 / 2 * std::acos(-1.0) / 180), zNear = 0.1, zFar = 100;
  rgl::Matrix m{};
  m[0] = f / aspect;
  m[5] = f;
  m[10] = (zFar + zNear) / (zNear - zFar);
  m[11] = -1;
  m[14] = 2 * zFar * zNear / (zNear - zFar);
  return m;
}

class RenderStateTest : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  ScopedTestPlatform fake;
};

// The state the set-up leaves, whatever the order of its calls: the
// projection and the viewport of the window, the model-view at identity and
// selected, blending by alpha, the back face named for culling (culling and
// the depth test off), normals normalised, colours as the material, the light.
TEST_F(RenderStateTest, FullScreenInitGLLeavesItsState) {
  InitGL(SceneKind::FullScreen, 1920, 1080);
  const rgl::State& state = rgl::Current();
  EXPECT_EQ(state.projection.size(), 1u);
  EXPECT_TRUE(rgl::NearlyEqual(state.projection.back(), Perspective(1920.0 / 1080.0)));
  EXPECT_EQ(state.viewport, (std::array<int, 4>{0, 0, 1920, 1080}));
  EXPECT_EQ(state.matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(state.modelview.size(), 1u);
  EXPECT_TRUE(rgl::NearlyEqual(state.CurrentModelview(), rgl::Identity()));
  EXPECT_EQ(state.enabled, (std::set<GLenum>{GL_COLOR_MATERIAL, GL_NORMALIZE, GL_BLEND, GL_LIGHTING, GL_LIGHT0}));
  EXPECT_EQ(state.cullFace, static_cast<GLenum>(GL_BACK));
  EXPECT_EQ(std::make_pair(state.blendSource, state.blendDestination),
            std::make_pair(GLenum{GL_SRC_ALPHA}, GLenum{GL_ONE_MINUS_SRC_ALPHA}));
  ExpectLighting(state);
  EXPECT_TRUE(state.errors.empty());
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
      EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().projection.back(), Perspective(double(row.width) / row.bandHeight)));
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
  const rgl::State& state = rgl::Current();
  EXPECT_EQ(rgl::CountOf("glViewport"), 0u);
  EXPECT_TRUE(rgl::NearlyEqual(state.projection.back(), Perspective(152.0 / 112.0)));
  EXPECT_EQ(state.matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(state.enabled, (std::set<GLenum>{GL_COLOR_MATERIAL, GL_NORMALIZE, GL_BLEND, GL_LIGHTING, GL_LIGHT0}));
  ExpectLighting(state);
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
