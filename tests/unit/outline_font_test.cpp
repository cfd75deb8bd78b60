#include <gtest/gtest.h>

#include <string>

#include "frame/outline_font.h"
#include "host/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

// An outline conversion whose glyph k is one triangle at x = k and whose
// advance is k em, except glyph 0, which advances 1000: a print that counted
// record 0, or the string's own characters, would show at once.
class GlyphListPlatform : public TestPlatform {
 public:
  int Result = 1;

  static float Advance(unsigned code) { return code == 0 ? 1000.0f : static_cast<float>(code); }

  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override {
    TestPlatform::UseFontOutlines(face, first, count, listBase, extrusion, metrics);
    if (!Result) return 0;
    for (unsigned k = 0; k < count; ++k) {
      const unsigned code = first + k;
      metrics[k] = {0.5f, 0.7f, 0.05f, 0.7f, Advance(code), 0};
      glNewList(listBase + k, GL_COMPILE);
      glBegin(GL_TRIANGLES);
      glVertex3f(float(code), 0, 0);
      glVertex3f(float(code) + 0.5f, 0, 0);
      glVertex3f(float(code), 0.5f, 0);
      glEnd();
      glTranslatef(Advance(code), 0, 0);
      glEndList();
    }
    return 1;
  }
};

double TranslationX(const rgl::Matrix& m) { return m[12]; }

// The sum of the advances of codes 1 .. n - 1, which the print shifts by.
double LengthShift(unsigned n) {
  double sum = 0;
  for (unsigned i = 1; i < n; ++i) sum += i;
  return -sum / 2.7;
}

class OutlineFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rgl::Reset();
    UsePlatform(&platform_);
  }
  void TearDown() override { UsePlatform(nullptr); }

  // Builds the saver font and clears the log, keeping the compiled lists.
  void BuildSaverFont() {
    ASSERT_EQ(BuildFont(), 1);
    ClearLog();
  }
  // Replaying needs the lists; the log only needs to start empty.
  static void ClearLog() { rgl::ClearCalls(); }

  GlyphListPlatform platform_;
};

TEST_F(OutlineFontTest, BuildReservesTwoHundredFiftySixListsAndConvertsCodesUpTo254) {
  EXPECT_EQ(BuildFont(), 1);
  ASSERT_EQ(rgl::CallsNamed("glGenLists").size(), 1u);
  EXPECT_EQ(rgl::CallsNamed("glGenLists")[0][0], 256);
  // glGenLists comes before the conversion's first list.
  EXPECT_EQ(rgl::Calls().front().name, "glGenLists");

  ASSERT_EQ(platform_.Requests.size(), 1u);
  const OutlineRequest& request = platform_.Requests[0];
  EXPECT_EQ(request.Face, "Tahoma");
  EXPECT_EQ(request.First, 0u);
  EXPECT_EQ(request.Count, 255u);
  EXPECT_EQ(request.ListBase, SaverFont.ListBase);
  EXPECT_EQ(request.Extrusion, 0.1f);
  EXPECT_EQ(SaverFont.GlyphMetrics[254].CellIncX, 254.0f);
  EXPECT_EQ(SaverFont.GlyphMetrics[255].CellIncX, 0.0f);
  EXPECT_EQ(rgl::Current().lists.count(SaverFont.ListBase + 255), 0u);
}

TEST_F(OutlineFontTest, PreviewFontIsArialExtrudedTwiceAsDeepInItsOwnLists) {
  ASSERT_EQ(BuildFont(), 1);
  ASSERT_EQ(BuildPreviewFont(), 1);
  ASSERT_EQ(platform_.Requests.size(), 2u);
  EXPECT_EQ(platform_.Requests[1].Face, "Arial");
  EXPECT_EQ(platform_.Requests[1].Extrusion, 0.2f);
  EXPECT_EQ(platform_.Requests[1].Count, 255u);
  EXPECT_EQ(platform_.Requests[1].ListBase, PreviewFont.ListBase);
  EXPECT_GE(PreviewFont.ListBase, SaverFont.ListBase + 256);
}

TEST_F(OutlineFontTest, FailedConversionIsReturnedAndDrawsNothing) {
  platform_.Result = 0;
  EXPECT_EQ(BuildFont(), 0);
  ClearLog();
  glPrint("Up to Christmas");
  EXPECT_EQ(rgl::Current().vertices, 0);
}

TEST_F(OutlineFontTest, ShiftDependsOnlyOnTheLength) {
  BuildSaverFont();
  for (const char* text : {"Up to Christmas", "zzzzzzzzzzzzzzz", "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"}) {
    ClearLog();
    glLoadIdentity();
    glPrint(text);
    const auto translations = rgl::CallsNamed("glTranslatef");
    ASSERT_EQ(translations.size(), 1u) << text;
    EXPECT_FLOAT_EQ(translations[0][0], LengthShift(15)) << text;
    EXPECT_EQ(translations[0][1], 0);
    EXPECT_EQ(translations[0][2], 0);
  }
  ClearLog();
  glPrint("Merry Christmas!");
  EXPECT_FLOAT_EQ(rgl::CallsNamed("glTranslatef")[0][0], LengthShift(16));
}

TEST_F(OutlineFontTest, StringRunsFromTheShiftedOriginByItsOwnAdvances) {
  BuildSaverFont();
  glLoadIdentity();
  glScalef(0.1f, 0.1f, 0.1f);
  glPrint("AB");
  // Each byte called its own list, which drew and then advanced; the
  // caller's scale applies to the shift and the advances alike.
  EXPECT_NEAR(TranslationX(rgl::Current().CurrentModelview()), 0.1 * (LengthShift(2) + 'A' + 'B'), 1e-4);
  EXPECT_EQ(rgl::Current().vertices, 6);
  ASSERT_EQ(rgl::CallsNamed("glCallLists").size(), 1u);
  EXPECT_EQ(rgl::CallsNamed("glCallLists")[0].bytes, "AB");
  EXPECT_EQ(rgl::CallsNamed("glCallLists")[0][1], GL_UNSIGNED_BYTE);
}

TEST_F(OutlineFontTest, EmptyStringDoesNothing) {
  BuildSaverFont();
  glLoadIdentity();
  glTranslatef(3, 4, 5);
  const rgl::Matrix before = rgl::Current().CurrentModelview();
  ClearLog();
  glPrint("");
  PreviewPrint("");
  EXPECT_TRUE(rgl::Calls().empty());
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), before));
}

TEST_F(OutlineFontTest, OneCharacterIsNotShifted) {
  BuildSaverFont();
  glLoadIdentity();
  glPrint("Q");
  EXPECT_EQ(rgl::CallsNamed("glTranslatef")[0][0], 0);
  EXPECT_DOUBLE_EQ(TranslationX(rgl::Current().CurrentModelview()), 'Q');
}

TEST_F(OutlineFontTest, ListBaseIsRestoredAfterDrawing) {
  BuildSaverFont();
  glListBase(77);
  glPrint("Up to New Year");
  EXPECT_EQ(rgl::Current().listBase, 77u);
  EXPECT_EQ(rgl::Current().attribDepth, 0);
  const auto pushes = rgl::CallsNamed("glPushAttrib");
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0][0], GL_LIST_BIT);
  // The font's base was in force while the string was drawn.
  EXPECT_EQ(rgl::CallsNamed("glListBase")[1][0], SaverFont.ListBase);
  EXPECT_TRUE(rgl::Current().errors.empty());
}

TEST_F(OutlineFontTest, ByteTwoFiftyFiveDrawsNothing) {
  BuildSaverFont();
  glLoadIdentity();
  glPrint("\xff");
  EXPECT_EQ(rgl::Current().vertices, 0);
  EXPECT_DOUBLE_EQ(TranslationX(rgl::Current().CurrentModelview()), 0);

  ClearLog();
  glLoadIdentity();
  glPrint("A\xff" "B");
  EXPECT_EQ(rgl::Current().vertices, 6);
  EXPECT_NEAR(TranslationX(rgl::Current().CurrentModelview()), LengthShift(3) + 'A' + 'B', 1e-4);
}

TEST_F(OutlineFontTest, PreviewPrintUsesThePreviewFontsListsAndMetrics) {
  BuildSaverFont();
  ASSERT_EQ(BuildPreviewFont(), 1);
  PreviewFont.GlyphMetrics[1].CellIncX = 27;  // the preview font's own record
  ClearLog();
  glLoadIdentity();
  PreviewPrint("xy");
  EXPECT_FLOAT_EQ(rgl::CallsNamed("glTranslatef")[0][0], -27 / 2.7);
  EXPECT_EQ(rgl::CallsNamed("glListBase")[0][0], PreviewFont.ListBase);
}

TEST_F(OutlineFontTest, DeletingFreesTheSaverFontsRange) {
  BuildSaverFont();
  DeleteFontLists();
  const auto deletes = rgl::CallsNamed("glDeleteLists");
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0][0], SaverFont.ListBase);
  EXPECT_EQ(deletes[0][1], 256);
  EXPECT_TRUE(rgl::Current().lists.empty());
}

// The window's font is the last thing the rendering set-up builds.
TEST_F(OutlineFontTest, InitGLBuildsTheWindowsFontLast) {
  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    rgl::Reset();
    platform_.Requests.clear();
    platform_.Result = 0;  // only the request matters here
    InitGL(kind, 640, 480);
    ASSERT_EQ(platform_.Requests.size(), 1u);
    EXPECT_EQ(platform_.Requests[0].Face, kind == SceneKind::FullScreen ? "Tahoma" : "Arial");
    EXPECT_EQ(platform_.Requests[0].Extrusion, kind == SceneKind::FullScreen ? 0.1f : 0.2f);
    ASSERT_FALSE(rgl::Calls().empty());
    EXPECT_EQ(rgl::Calls().back().name, "glGenLists");
    EXPECT_EQ(rgl::Calls()[rgl::Calls().size() - 2].name, "glEnable");
    EXPECT_EQ(rgl::Calls()[rgl::Calls().size() - 2][0], GL_LIGHT0);
  }
}

}  // namespace
