// The web page's pieces that need no browser: its URL parameters against the
// renderer's meanings and ranges, its frame gate on made-up callback times,
// and the baked fonts' packing.
#include <gtest/gtest.h>

#include <cstring>

#include "host/linux_font/font_resolution.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/web/baked_glyphs.h"
#include "host/web/frame_gate.h"
#include "host/web/page_options.h"

namespace {

PageOptions Parse(const char* query, std::string& message) { return ParsePageOptions(query, message); }

std::string MessageOf(const char* query) {
  std::string message;
  ParsePageOptions(query, message);
  return message;
}

TEST(PageOptions, TheTestPicturesParameters) {
  std::string message = "stale";
  const PageOptions o = Parse("?at=2026-12-20T14:25:10&seed=3&frames=5&step=0.5&preview", message);
  EXPECT_EQ(message, "");
  ASSERT_TRUE(o.At);
  EXPECT_EQ(o.At->Year, 2026);
  EXPECT_EQ(o.At->Month, 12);
  EXPECT_EQ(o.At->Day, 20);
  EXPECT_EQ(o.At->Hour, 14);
  EXPECT_EQ(o.At->Minute, 25);
  EXPECT_EQ(o.At->Second, 10);
  EXPECT_EQ(o.Seed, 3u);
  EXPECT_EQ(o.Frames, 5);
  EXPECT_EQ(o.StepMs, 500);
  EXPECT_TRUE(o.Preview);
  // A space for the T, percent-encoded or as '+', and preview=0.
  EXPECT_TRUE(Parse("at=2026-12-20%2014:25:10", message).At);
  EXPECT_TRUE(Parse("at=2026-12-20+14:25:10&preview=0", message).At);
  EXPECT_FALSE(Parse("preview=0", message).Preview);
  EXPECT_EQ(message, "");
  // Nothing given: the live scene.
  const PageOptions none = Parse("", message);
  EXPECT_FALSE(none.At || none.Seed || none.Preview || none.Frames || none.StepMs);
}

TEST(PageOptions, BadValuesAreLeftOutAndSaid) {
  std::string message;
  EXPECT_FALSE(Parse("at=2026-02-29T00:00:00", message).At);
  EXPECT_EQ(message, "bad at \"2026-02-29T00:00:00\": there is no such day");
  EXPECT_EQ(MessageOf("at=2026-12-20T14:25"), "bad at \"2026-12-20T14:25\": expected YYYY-MM-DDTHH:MM:SS, each field in digits");
  EXPECT_EQ(MessageOf("at=2026-12-20T1a:25:10"), "bad at \"2026-12-20T1a:25:10\": expected YYYY-MM-DDTHH:MM:SS, each field in digits");
  EXPECT_NE(MessageOf("at=1600-12-31T23:59:59").find("dates run from 1601-01-01"), std::string::npos);
  EXPECT_EQ(MessageOf("at=1601-01-01T00:00:00&at=9999-12-31T23:59:59"), "");
  EXPECT_NE(MessageOf("at=2026-12-20T24:00:00").find("times of day"), std::string::npos);
  // Frames from 1 to 10000000, seeds to 2^64 - 1, both sides of each bound.
  EXPECT_EQ(Parse("frames=1", message).Frames, 1);
  EXPECT_EQ(Parse("frames=10000000", message).Frames, 10000000);
  EXPECT_EQ(Parse("frames=0", message).Frames, 0);
  EXPECT_EQ(message, "bad frames \"0\": expected a whole number from 1 to 10000000");
  EXPECT_EQ(Parse("frames=10000001", message).Frames, 0);
  EXPECT_EQ(Parse("seed=18446744073709551615", message).Seed, 18446744073709551615u);
  EXPECT_FALSE(Parse("seed=18446744073709551616", message).Seed);
  EXPECT_FALSE(Parse("seed=-1", message).Seed);
  EXPECT_FALSE(Parse("seed=", message).Seed);
  EXPECT_NE(message.find("bad seed \"\""), std::string::npos);
  EXPECT_EQ(Parse("preview=yes", message).Preview, false);
  EXPECT_EQ(message, "bad preview \"yes\": expected no value, 1 or 0");
  // Every mistake on one line; what was good still counts.
  const PageOptions o = Parse("seed=x&frames=7&colour=red", message);
  EXPECT_EQ(o.Frames, 7);
  EXPECT_EQ(message,
            "bad seed \"x\": expected a whole number from 0 to 18446744073709551615; unknown parameter \"colour\": "
            "the page takes at, step, frames, seed and preview");
  // Control characters never reach the page.
  EXPECT_EQ(MessageOf("seed=%0A"), "bad seed \"?\": expected a whole number from 0 to 18446744073709551615");
}

TEST(PageOptions, StepsInMillisecondsWithAFrozenMoment) {
  std::string message;
  EXPECT_EQ(Parse("at=2026-12-20T14:25:10&step=0.001", message).StepMs, 1);
  EXPECT_EQ(Parse("at=2026-12-20T14:25:10&step=86400", message).StepMs, 86400000);
  EXPECT_EQ(message, "");
  for (const char* bad : {"1.2345", "1.", ".5", "-1", "1e3", ""}) {
    EXPECT_EQ(Parse((std::string("at=2026-12-20T14:25:10&step=") + bad).c_str(), message).StepMs, 0) << bad;
    EXPECT_NE(message.find("bad step"), std::string::npos) << bad;
  }
  EXPECT_EQ(Parse("step=2", message).StepMs, 0);
  EXPECT_EQ(message, "step \"2\" needs at: only a frozen moment can be moved on");
  // The last frame's moment may be the calendar's last second, not after it.
  EXPECT_EQ(Parse("at=9999-12-31T23:59:57&step=1&frames=3", message).StepMs, 1000);
  EXPECT_EQ(message, "");
  EXPECT_EQ(Parse("at=9999-12-31T23:59:57&step=1&frames=4", message).StepMs, 0);
  EXPECT_EQ(message, "the last frame's moment lies after 9999-12-31 23:59:59: fewer frames or a smaller step");
}

TEST(PageOptions, EachFrameShowsItsMoment) {
  std::string message;
  const PageOptions o = Parse("at=2026-12-31T23:59:59&step=0.5", message);
  const LocalMoment second = PageMomentOfFrame(o, 1), third = PageMomentOfFrame(o, 2);
  EXPECT_EQ(std::make_tuple(second.Year, second.Second, second.Millisecond), std::make_tuple(2026, 59, 500));
  EXPECT_EQ(std::make_tuple(third.Year, third.Month, third.Day, third.Hour, third.Second, third.Millisecond),
            std::make_tuple(2027, 1, 1, 0, 0, 0));
  // Run on without a frame count, the clock stops at the calendar's end.
  const PageOptions end = Parse("at=9999-12-31T23:59:58&step=1", message);
  const LocalMoment last = PageMomentOfFrame(end, 1), held = PageMomentOfFrame(end, 1000000000);
  EXPECT_EQ(std::make_tuple(last.Year, last.Second, held.Year, held.Month, held.Day, held.Second),
            std::make_tuple(9999, 59, 9999, 12, 31, 59));
}

// Callbacks every `refreshMs` for two seconds: how many frames, and the
// shortest gap between two of them.
std::pair<int, double> RunGate(double refreshMs) {
  FrameGate gate(30);
  int frames = 0;
  double last = -1e9, shortest = 1e9;
  for (int i = 0; i < static_cast<int>(2000 / refreshMs + 0.5); ++i) {
    const double t = 1000 + i * refreshMs;
    if (!gate.Open(t)) continue;
    ++frames;
    shortest = std::min(shortest, t - last);
    last = t;
  }
  return {frames, shortest};
}

TEST(FrameGate, NeverMoreOftenThanTheTickAtAnyRefreshRate) {
  // 60 Hz: every second callback (33.3 ms); 144 Hz: every fifth (34.7 ms);
  // 30 Hz and slower: every callback.
  const auto [frames60, shortest60] = RunGate(1000.0 / 60);
  EXPECT_EQ(frames60, 60);
  EXPECT_NEAR(shortest60, 2000.0 / 60, 1e-6);
  const auto [frames144, shortest144] = RunGate(1000.0 / 144);
  EXPECT_EQ(frames144, 58);
  EXPECT_NEAR(shortest144, 5000.0 / 144, 1e-6);
  EXPECT_EQ(RunGate(40).first, 50);
  // A callback a hair early still counts; one a millisecond early does not.
  FrameGate gate(30);
  EXPECT_TRUE(gate.Open(100));
  EXPECT_FALSE(gate.Open(129));
  EXPECT_TRUE(gate.Open(129.9));
  // Shown again after a long hidden time: one frame at once, no catching up.
  EXPECT_TRUE(gate.Open(60000));
  EXPECT_FALSE(gate.Open(60016));
}

TEST(FrameGate, ThePreviewsPauseAndAReset) {
  FrameGate gate(30);
  EXPECT_TRUE(gate.Open(0));
  gate.Hold(40);
  EXPECT_FALSE(gate.Open(33));
  EXPECT_TRUE(gate.Open(40));
  // The pause holds for one frame only.
  EXPECT_TRUE(gate.Open(70));
  gate.Reset();
  EXPECT_TRUE(gate.Open(71));
}

TEST(BakedGlyphs, PackedMeshesComeBackExactly) {
  const std::optional<ResolvedFont> font = ResolveBoldFace("Tahoma");
  ASSERT_TRUE(font);
  std::vector<ConvertedGlyph> glyphs;
  ASSERT_TRUE(ConvertOutlineGlyphs(*font, '@', 2, 0.1f, glyphs));
  for (const ConvertedGlyph& glyph : glyphs) {
    const std::vector<MeshTriangle>& mesh = glyph.Mesh.Triangles;
    PackedGlyph packed;
    ASSERT_TRUE(PackGlyph(mesh, packed));
    // Shared points and normals are stored once: a front and a back face
    // and walls share every contour point.
    EXPECT_LT(packed.Points.size() / 3, mesh.size());
    const BakedGlyph baked{'@', packed.Points.data(), packed.Points.size() / 3, packed.Normals.data(),
                           packed.Normals.size() / 3, packed.Triangles.data(), mesh.size()};
    std::vector<MeshTriangle> expanded;
    ASSERT_TRUE(ExpandBakedGlyph(baked, expanded));
    ASSERT_EQ(expanded.size(), mesh.size());
    EXPECT_EQ(std::memcmp(expanded.data(), mesh.data(), mesh.size() * sizeof(MeshTriangle)), 0);
    // An index past its table is refused, and nothing is given back.
    BakedGlyph broken = baked;
    broken.PointCount -= 1;
    std::vector<MeshTriangle> untouched(1);
    EXPECT_FALSE(ExpandBakedGlyph(broken, untouched));
    EXPECT_EQ(untouched.size(), 1u);
  }
}

TEST(BakedGlyphs, FontsAreFoundByFaceAndExtrusion) {
  const BakedGlyph glyphs[] = {{'A'}, {'B'}};
  const BakedFont fonts[] = {{"Tahoma", 0.1f, nullptr, glyphs, 2}, {"Arial", 0.2f, nullptr, nullptr, 0}};
  EXPECT_EQ(FindBakedFont(fonts, 2, "Arial", 0.2f), &fonts[1]);
  EXPECT_EQ(FindBakedFont(fonts, 2, "Arial", 0.1f), nullptr);
  EXPECT_EQ(FindBakedFont(fonts, 2, nullptr, 0.1f), nullptr);
  EXPECT_EQ(FindBakedGlyph(fonts[0], 'B'), &glyphs[1]);
  EXPECT_EQ(FindBakedGlyph(fonts[0], 'C'), nullptr);
}

}  // namespace
