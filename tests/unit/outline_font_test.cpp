#include <gtest/gtest.h>

#include <string>

#include "frame/outline_font.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

// An outline conversion whose glyph k is one triangle and advances k em, but
// glyph 0 advances 1000: a print that counted record 0, or the string's own
// characters, would show at once.
class GlyphListPlatform : public TestPlatform {
 public:
  int Result = 1;
  static float Advance(unsigned code) { return code == 0 ? 1000.0f : float(code); }

  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override {
    TestPlatform::UseFontOutlines(face, first, count, listBase, extrusion, metrics);
    for (unsigned k = 0; Result && k < count; ++k) {
      metrics[k] = {0.5f, 0.7f, 0.05f, 0.7f, Advance(first + k), 0};
      glNewList(listBase + k, GL_COMPILE);
      glBegin(GL_TRIANGLES);
      for (int v = 0; v < 3; ++v) glVertex3f(float(v), float(v % 2), 0);
      glEnd();
      glTranslatef(Advance(first + k), 0, 0);
      glEndList();
    }
    return Result;
  }
};

// The shift of an n-byte string: the advances of codes 1 .. n - 1 over 2.7.
double LengthShift(unsigned n) { return -(n * (n - 1.0) / 2) / 2.7; }

class OutlineFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rgl::Reset();
    UsePlatform(&platform_);
  }
  void TearDown() override { UsePlatform(nullptr); }
  // Draws `text` from the identity, the log holding only the print.
  void PrintFresh(const char* text, void (*print)(const char*) = glPrint) {
    glLoadIdentity();
    rgl::ClearCalls();
    verticesBefore_ = rgl::Current().vertices;
    print(text);
  }
  long long Drawn() const { return rgl::Current().vertices - verticesBefore_; }
  static double X() { return rgl::Current().CurrentModelview()[12]; }

  long long verticesBefore_ = 0;

  GlyphListPlatform platform_;
};

TEST_F(OutlineFontTest, EachWindowBuildsItsOwnFaceIntoTwoHundredFiftySixLists) {
  ASSERT_EQ(BuildFont(), 1);
  ASSERT_EQ(BuildPreviewFont(), 1);
  const auto reserved = rgl::CallsNamed("glGenLists");
  ASSERT_EQ(reserved.size(), 2u);
  EXPECT_EQ(reserved[0][0], 256);
  EXPECT_EQ(rgl::Calls().front().name, "glGenLists");  // reserved before converting

  ASSERT_EQ(platform_.Requests.size(), 2u);
  const OutlineRequest& saver = platform_.Requests[0];
  const OutlineRequest& preview = platform_.Requests[1];
  EXPECT_EQ(saver.Face, "Tahoma");
  EXPECT_EQ(saver.Extrusion, 0.1f);
  EXPECT_EQ(preview.Face, "Arial");
  EXPECT_EQ(preview.Extrusion, 0.2f);
  for (const OutlineRequest& r : platform_.Requests) {
    EXPECT_EQ(r.First, 0u);
    EXPECT_EQ(r.Count, 255u);
  }
  EXPECT_EQ(saver.ListBase, SaverFont.ListBase);
  EXPECT_EQ(preview.ListBase, PreviewFont.ListBase);
  EXPECT_EQ(SaverFont.GlyphMetrics[254].CellIncX, 254.0f);
  EXPECT_EQ(SaverFont.GlyphMetrics[255].CellIncX, 0.0f);
  EXPECT_EQ(rgl::Current().lists.count(SaverFont.ListBase + 255), 0u);
}

TEST_F(OutlineFontTest, ShiftDependsOnlyOnTheLengthAndTheStringRunsOnFromIt) {
  ASSERT_EQ(BuildFont(), 1);
  for (const char* text : {"Up to Christmas", "zzzzzzzzzzzzzzz", "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"}) {
    PrintFresh(text);
    const auto translations = rgl::CallsNamed("glTranslatef");
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_FLOAT_EQ(translations[0][0], LengthShift(15)) << text;
    EXPECT_EQ(translations[0][1], 0);
    EXPECT_EQ(translations[0][2], 0);
  }
  // Each byte calls its own list, which draws and advances by its own glyph.
  PrintFresh("AB");
  EXPECT_NEAR(X(), LengthShift(2) + 'A' + 'B', 1e-4);
  EXPECT_EQ(rgl::CallsNamed("glCallLists")[0].bytes, "AB");
  EXPECT_EQ(rgl::CallsNamed("glCallLists")[0][1], GL_UNSIGNED_BYTE);
  EXPECT_EQ(Drawn(), 6);
}

TEST_F(OutlineFontTest, EmptyStringDoesNothingAndOneCharacterIsNotShifted) {
  ASSERT_EQ(BuildFont(), 1);
  PrintFresh("");
  PreviewPrint("");
  EXPECT_TRUE(rgl::Calls().empty());
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));

  PrintFresh("Q");
  EXPECT_EQ(rgl::CallsNamed("glTranslatef")[0][0], 0);
  EXPECT_DOUBLE_EQ(X(), 'Q');
}

TEST_F(OutlineFontTest, ListBaseIsRestoredAfterDrawing) {
  ASSERT_EQ(BuildFont(), 1);
  glListBase(77);
  PrintFresh("Up to New Year");
  EXPECT_EQ(rgl::Current().listBase, 77u);
  EXPECT_EQ(rgl::Current().attribDepth, 0);
  ASSERT_EQ(rgl::CountOf("glPushAttrib"), 1u);
  EXPECT_EQ(rgl::CallsNamed("glPushAttrib")[0][0], GL_LIST_BIT);
  EXPECT_EQ(rgl::CallsNamed("glListBase")[0][0], SaverFont.ListBase);
  EXPECT_TRUE(rgl::Current().errors.empty());
}

TEST_F(OutlineFontTest, ByteTwoFiftyFiveDrawsNothing) {
  ASSERT_EQ(BuildFont(), 1);
  PrintFresh("\xff");
  EXPECT_EQ(Drawn(), 0);
  EXPECT_DOUBLE_EQ(X(), 0);
  PrintFresh("A\xff" "B");
  EXPECT_EQ(Drawn(), 6);
  EXPECT_NEAR(X(), LengthShift(3) + 'A' + 'B', 1e-4);
}

TEST_F(OutlineFontTest, PreviewPrintUsesThePreviewFont) {
  ASSERT_EQ(BuildFont(), 1);
  ASSERT_EQ(BuildPreviewFont(), 1);
  PreviewFont.GlyphMetrics[1].CellIncX = 27;
  PrintFresh("xy", PreviewPrint);
  EXPECT_FLOAT_EQ(rgl::CallsNamed("glTranslatef")[0][0], -27 / 2.7);
  EXPECT_EQ(rgl::CallsNamed("glListBase")[0][0], PreviewFont.ListBase);
}

TEST_F(OutlineFontTest, FailedConversionDrawsNothingAndDeletingFreesTheRange) {
  platform_.Result = 0;
  EXPECT_EQ(BuildFont(), 0);
  PrintFresh("Up to Christmas");
  EXPECT_EQ(Drawn(), 0);

  platform_.Result = 1;
  ASSERT_EQ(BuildFont(), 1);
  rgl::ClearCalls();
  DeleteFontLists();
  ASSERT_EQ(rgl::CountOf("glDeleteLists"), 1u);
  EXPECT_EQ(rgl::Calls()[0][0], SaverFont.ListBase);
  EXPECT_EQ(rgl::Calls()[0][1], 256);
  EXPECT_TRUE(rgl::Current().lists.empty());
}

// The window's font is the last thing the rendering set-up builds.
TEST_F(OutlineFontTest, InitGLBuildsTheWindowsFontLast) {
  platform_.Result = 0;  // only the request matters here
  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    rgl::Reset();
    platform_.Requests.clear();
    InitGL(kind, 640, 480);
    ASSERT_EQ(platform_.Requests.size(), 1u);
    EXPECT_EQ(platform_.Requests[0].Face, kind == SceneKind::FullScreen ? "Tahoma" : "Arial");
    const auto& calls = rgl::Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back().name, "glGenLists");
    EXPECT_EQ(calls[calls.size() - 2].name, "glEnable");
    EXPECT_EQ(calls[calls.size() - 2][0], GL_LIGHT0);
  }
}

}  // namespace
