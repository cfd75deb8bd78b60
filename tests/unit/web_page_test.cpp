// The web page's URL parameters against the renderer's meanings and ranges, and
// its frame gate on made-up callback times.
#include <gtest/gtest.h>

#include <tuple>

#include "host/text/escaped_text.h"
#include "host/web/frame_gate.h"
#include "host/web/page_options.h"

namespace {

std::string message;

PageOptions Parse(const std::string& query) { return ParsePageOptions(query, message); }

TEST(PageOptions, TheRenderersParametersInAUrl) {
  const PageOptions o = Parse("?at=2026-12-20T14:25:10&seed=3&frames=5&step=0.5&preview");
  EXPECT_EQ(message, "");
  ASSERT_TRUE(o.At);
  EXPECT_EQ(std::make_tuple(o.At->Year, o.At->Month, o.At->Day, o.At->Hour, o.At->Minute, o.At->Second),
            std::make_tuple(2026, 12, 20, 14, 25, 10));
  EXPECT_EQ(std::make_tuple(o.Seed, o.Frames, o.StepMs, o.Preview), std::make_tuple(3u, 5, 500, true));
  // A space for the T, percent-encoded or as '+'; preview=0.
  EXPECT_TRUE(Parse("at=2026-12-20%2014:25:10").At && Parse("at=2026-12-20+14:25:10").At);
  EXPECT_FALSE(Parse("preview=0").Preview);
  const PageOptions none = Parse("");
  EXPECT_FALSE(none.At || none.Seed || none.Preview || none.Frames || none.StepMs || !message.empty());
}

TEST(PageOptions, BadValuesAreLeftOutAndSaid) {
  const std::string format = ": expected YYYY-MM-DDTHH:MM:SS, each field in digits";
  EXPECT_FALSE(Parse("at=2026-02-29T00:00:00").At);
  EXPECT_EQ(message, "bad at \"2026-02-29T00:00:00\": there is no such day");
  Parse("at=2026-12-20T14:25");
  EXPECT_EQ(message, "bad at \"2026-12-20T14:25\"" + format);
  EXPECT_FALSE(Parse("at=1600-12-31T23:59:59").At);
  EXPECT_TRUE(Parse("at=1601-01-01T00:00:00").At && Parse("at=9999-12-31T23:59:59").At);
  // Frames from 1 to 10000000, seeds to 2^64 - 1: both sides of each bound.
  EXPECT_EQ(Parse("frames=1").Frames + Parse("frames=10000000").Frames, 10000001);
  EXPECT_EQ(Parse("frames=0").Frames, 0);
  EXPECT_EQ(message, "bad frames \"0\": expected a whole number from 1 to 10000000");
  EXPECT_EQ(Parse("frames=10000001").Frames, 0);
  EXPECT_EQ(Parse("seed=18446744073709551615").Seed, 18446744073709551615u);
  EXPECT_FALSE(Parse("seed=18446744073709551616").Seed || Parse("seed=-1").Seed || Parse("seed=").Seed);
  Parse("preview=yes");
  EXPECT_EQ(message, "bad preview \"yes\": expected no value, 1 or 0");
  // Every mistake on one line, control characters escaped; what was good still counts.
  EXPECT_EQ(Parse("seed=%0A&frames=7&colour=red").Frames, 7);
  EXPECT_EQ(message,
            "bad seed \"\\n\": expected a whole number from 0 to 18446744073709551615; unknown parameter \"colour\": "
            "the page takes at, step, frames, seed and preview");
}

TEST(PageOptions, AKeyGivenAgainIsLeftOutAndNamedForEveryKeyAlike) {
  const std::string kept = ": a parameter counts once; the first good value, ";
  // For each key: a good value, then another good one; a bad one, then a good one.
  const struct {
    const char* Key;
    const char* First;
    const char* Second;
    const char* Bad;
  } rows[] = {{"at", "2026-12-20T14:25:10", "2027-01-01T00:00:00", "2026-12-20T14:25"},
              {"step", "0.5", "2", "-1"},
              {"frames", "5", "6", "0"},
              {"seed", "3", "4", "x"},
              {"preview", "1", "0", "yes"}};
  for (const auto& row : rows) {
    const std::string at = std::string(row.Key) == "step" ? "at=2026-12-20T14:25:10&" : "";
    const std::string first = std::string(row.Key) + "=" + row.First, second = std::string(row.Key) + "=" + row.Second;
    const PageOptions twice = Parse(at + first + "&" + second + "&" + second);
    EXPECT_EQ(message, std::string(row.Key) + " again \"" + row.Second + "\" and 1 more time" + kept + "\"" +
                           row.First + "\", is kept")
        << row.Key;
    const PageOptions once = Parse(at + first);
    const PageOptions afterBad = Parse(at + row.Key + "=" + row.Bad + "&" + first);
    EXPECT_EQ(message.rfind(std::string("bad ") + row.Key + " \"" + row.Bad + "\"", 0), 0u) << message;
    EXPECT_EQ(message.find("again"), std::string::npos) << message;
    for (const PageOptions& o : {twice, afterBad})
      EXPECT_EQ(std::make_tuple(o.At.has_value(), o.StepMs, o.Frames, o.Seed, o.Preview),
                std::make_tuple(once.At.has_value(), once.StepMs, once.Frames, once.Seed, once.Preview))
          << row.Key;
  }
  EXPECT_EQ(Parse("at=2026-12-20T14:25:10&at=2027-01-01T00:00:00").At->Year, 2026);
  // Different repeats: the first good value stays, the key is named once
  // with its first repeat and the others counted.
  EXPECT_EQ(Parse("seed=1&seed=2&seed=3").Seed, 1u);
  EXPECT_EQ(message, "seed again \"2\" and 1 more time" + kept + "\"1\", is kept");
  Parse("seed=1&seed=2&seed=3&seed=4&seed=%9B");
  EXPECT_EQ(message, "seed again \"2\" and 3 more times" + kept + "\"1\", is kept");
  Parse("seed=1&seed=2");
  EXPECT_EQ(message, "seed again \"2\"" + kept + "\"1\", is kept");
}

TEST(PageOptions, UnknownKeysAreNamedOnceInALineOfBoundedLength) {
  Parse("colour=red&colour=blue");
  EXPECT_EQ(message, "unknown parameter \"colour\": the page takes at, step, frames, seed and preview");
  std::string query;
  for (int k = 0; k < 500; ++k) query += "key" + std::to_string(k) + std::string(60, 'x') + "=1&";
  Parse(query + "seed=3");
  EXPECT_LE(message.size(), 400u);
  EXPECT_EQ(message.rfind("unknown parameters \"key0xxx", 0), 0u) << message;
  EXPECT_NE(message.find("...\", \"key1xx"), std::string::npos) << message;
  EXPECT_NE(message.find("and 495 more: the page takes"), std::string::npos) << message;
  EXPECT_EQ(message.find("key5x"), std::string::npos) << message;
  // A name past the fifth counts once however often it comes.
  const std::string takes = ": the page takes at, step, frames, seed and preview";
  Parse("k1=1&k2=1&k3=1&k4=1&k5=1&k6=1&k6=2&k6=3");
  EXPECT_EQ(message, "unknown parameters \"k1\", \"k2\", \"k3\", \"k4\", \"k5\" and 1 more" + takes);
  Parse("k1=1&k2=1&k3=1&k4=1&k5=1&k1=2");
  EXPECT_EQ(message, "unknown parameters \"k1\", \"k2\", \"k3\", \"k4\", \"k5\"" + takes);
}

// Characters that show nothing or turn the line around are written out, so
// that an echoed value can neither hide nor disguise itself; visible text,
// accents and all, stays as it is.
TEST(EscapedText, InvisibleAndDirectionCharactersAreWrittenOut) {
  const struct {
    const char* Utf8;
    const char* Escaped;
  } rows[] = {// Each range at both ends, inside and just outside: the C1 controls, the
              // soft hyphen, the Arabic letter mark, the Mongolian vowel separator,
              // the zero-width spaces, joiners and direction marks, the separators,
              // embeddings and overrides, the invisible operators, isolates and
              // deprecated format characters, the byte-order mark.
              {"\u0080", "\\u0080"}, {"\u009b", "\\u009b"}, {"\u009f", "\\u009f"}, {"\u00a0", "\u00a0"},
              {"\u00ac", "\u00ac"}, {"\u00ad", "\\u00ad"}, {"\u00ae", "\u00ae"},
              {"\u061b", "\u061b"}, {"\u061c", "\\u061c"}, {"\u061d", "\u061d"},
              {"\u180d", "\u180d"}, {"\u180e", "\\u180e"}, {"\u180f", "\u180f"},
              {"\u200a", "\u200a"}, {"\u200b", "\\u200b"}, {"\u200f", "\\u200f"}, {"\u2010", "\u2010"},
              {"\u2027", "\u2027"}, {"\u2028", "\\u2028"}, {"\u202a", "\\u202a"}, {"\u202e", "\\u202e"},
              {"\u202f", "\u202f"},
              {"\u205f", "\u205f"}, {"\u2060", "\\u2060"}, {"\u2064", "\\u2064"}, {"\u2066", "\\u2066"},
              {"\u2069", "\\u2069"}, {"\u206f", "\\u206f"}, {"\u2070", "\u2070"},
              {"\ufefe", "\ufefe"}, {"\ufeff", "\\ufeff"}, {"\uff00", "\uff00"},
              {"\u00e9t\u00e9 \U0001f384", "\u00e9t\u00e9 \U0001f384"},
              // A byte outside a well-formed sequence is written in hexadecimal: a
              // lone C1 byte (CSI to a terminal not in UTF-8 mode), a sequence cut
              // short, an overlong form, a surrogate, a code point past U+10FFFF.
              {"\x9b", "\\x9b"}, {"a\x9b[2J", "a\\x9b[2J"}, {"\xe2\x80", "\\xe2\\x80"},
              {"\xe2\x80z", "\\xe2\\x80z"}, {"\xc0\xaf", "\\xc0\\xaf"}, {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
              {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}, {"\xff", "\\xff"}};
  for (const auto& row : rows) EXPECT_EQ(EscapeControls(row.Utf8), row.Escaped) << row.Escaped;
  EXPECT_EQ(EscapeControls("1\u202e2\n3"), "1\\u202e2\\n3");
  Parse("seed=%E2%80%AE3");
  EXPECT_EQ(message, "bad seed \"\\u202e3\": expected a whole number from 0 to 18446744073709551615");
  Parse("seed=%9B");
  EXPECT_EQ(message, "bad seed \"\\x9b\": expected a whole number from 0 to 18446744073709551615");
  // A value is cut at 40 bytes at most, never inside a character: a
  // two-byte letter that would end at byte 41 goes whole to the cut part.
  const std::string expected = ": expected a whole number from 0 to 18446744073709551615";
  for (const auto& [before, shown] :
       {std::pair{38, std::string(38, 'x') + "\u00e9\""}, std::pair{39, std::string(39, 'x') + "...\""},
        std::pair{40, std::string(40, 'x') + "...\""}}) {
    Parse("seed=" + std::string(static_cast<std::size_t>(before), 'x') + "%C3%A9");
    EXPECT_EQ(message, "bad seed \"" + shown + expected) << before;
  }
}

TEST(PageOptions, StepsToTheMillisecondWithAFrozenMoment) {
  const std::string at = "at=2026-12-20T14:25:10&step=";
  EXPECT_EQ(Parse(at + "0.001").StepMs + Parse(at + "86400").StepMs + Parse(at + "1.5000").StepMs, 86401501);
  // A fraction, as the renderer takes it: 1/30 s a frame puts frame 1 at 33 ms
  // (rounded down), frame 30 a whole second on.
  const PageOptions thirtieth = Parse(at + "1/30");
  EXPECT_EQ(PageMomentOfFrame(thirtieth, 1).Millisecond, 33);
  EXPECT_EQ(std::make_tuple(PageMomentOfFrame(thirtieth, 30).Second, PageMomentOfFrame(thirtieth, 30).Millisecond),
            std::make_tuple(11, 0));
  for (const char* bad : {"1.2345", "1.", ".5", "-1", "1e3", "", "1/0", "/30", "1/-3"}) {
    EXPECT_EQ(Parse(at + bad).StepMs, 0) << bad;
    EXPECT_EQ(message.rfind("bad step", 0), 0u) << bad;
  }
  EXPECT_EQ(Parse("step=2").StepMs, 0);
  EXPECT_EQ(message, "step \"2\" needs at: only a frozen moment can be moved on");
  // The last frame may show the calendar's last second, not one after it.
  EXPECT_EQ(Parse("at=9999-12-31T23:59:57&step=1&frames=3").StepMs, 1000);
  EXPECT_EQ(Parse("at=9999-12-31T23:59:57&step=1&frames=4").StepMs, 0);
  EXPECT_EQ(message, "the last frame's moment lies after 9999-12-31 23:59:59: fewer frames or a smaller step");
  // Each frame's moment; run on without a count, the clock stops at the end.
  const PageOptions o = Parse("at=2026-12-31T23:59:59&step=0.5");
  const LocalMoment second = PageMomentOfFrame(o, 1), third = PageMomentOfFrame(o, 2);
  EXPECT_EQ(std::make_tuple(second.Year, second.Second, second.Millisecond), std::make_tuple(2026, 59, 500));
  EXPECT_EQ(std::make_tuple(third.Year, third.Month, third.Day, third.Hour, third.Second, third.Millisecond),
            std::make_tuple(2027, 1, 1, 0, 0, 0));
  const LocalMoment held = PageMomentOfFrame(Parse("at=9999-12-31T23:59:58&step=1"), 1000000000);
  EXPECT_EQ(std::make_tuple(held.Year, held.Month, held.Day, held.Second), std::make_tuple(9999, 12, 31, 59));
}

// Two seconds of callbacks `refreshMs` apart: the frames, and the shortest gap between two.
std::pair<int, double> RunGate(double refreshMs) {
  FrameGate gate(30);
  int frames = 0;
  double last = -1e9, shortest = 1e9;
  for (int i = 0; i < static_cast<int>(2000 / refreshMs + 0.5); ++i) {
    const double t = 1000 + i * refreshMs;
    if (!gate.Open(t)) continue;
    ++frames;
    shortest = std::min(shortest, t - std::exchange(last, t));
  }
  return {frames, shortest};
}

TEST(FrameGate, NeverMoreOftenThanTheTick) {
  // 60 Hz: every second callback; 144 Hz: every fifth (4 are 27.8 ms); 40 ms: every one.
  EXPECT_EQ(std::make_tuple(RunGate(1000.0 / 60).first, RunGate(1000.0 / 144).first, RunGate(40).first),
            std::make_tuple(60, 58, 50));
  EXPECT_NEAR(RunGate(1000.0 / 144).second, 5000.0 / 144, 1e-6);
  // A hair early counts; after a hidden time one frame at once, no catching up.
  FrameGate gate(30);
  const auto opens = [&gate](std::initializer_list<double> times) {
    std::vector<bool> open;
    for (double t : times) open.push_back(gate.Open(t));
    return open;
  };
  EXPECT_EQ(opens({100, 129, 129.9, 60000, 60016}), std::vector<bool>({true, false, true, true, false}));
  gate.Hold(40);  // the preview's pause holds the next frame back
  EXPECT_EQ(opens({60033, 60040, 60070}), std::vector<bool>({false, true, true}));
  gate.Reset();
  EXPECT_TRUE(gate.Open(60071));
  // A clock that goes back (a new time origin) draws at once, then ticks from there.
  EXPECT_EQ(opens({60072, 12, 13, 41, 42.5}), std::vector<bool>({false, true, false, false, true}));
}

}  // namespace
