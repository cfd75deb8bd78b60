#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/fpu_control.h"
#include "host/win32/mode.h"

namespace {

SaverMode ModeOf(const char* argument1) { return ModeFromLetter(ModeLetter(argument1)); }

TEST(ModeLetter, TakesTheSecondCharacterUpperCased) {
  EXPECT_EQ(ModeLetter("/s"), 'S');
  EXPECT_EQ(ModeLetter("-s"), 'S');
  EXPECT_EQ(ModeLetter("/S"), 'S');
  EXPECT_EQ(ModeLetter("xs"), 'S');
  EXPECT_EQ(ModeLetter("/c:1234"), 'C');
  EXPECT_EQ(ModeLetter("/p1234"), 'P');
  EXPECT_EQ(ModeLetter("/1"), '1');
  EXPECT_EQ(ModeLetter("/?"), '?');
  // Only a..z change case: not their neighbours '`' and '{'.
  EXPECT_EQ(ModeLetter("/\xe4"), '\xe4');
  EXPECT_TRUE(ModeLetter("/a") == 'A' && ModeLetter("/z") == 'Z' && ModeLetter("/`") == '`' && ModeLetter("/{") == '{');
}

TEST(ModeLetter, ShortOrMissingArgumentGivesNoLetter) {
  EXPECT_EQ(ModeLetter(nullptr), std::nullopt);
  EXPECT_EQ(ModeLetter(""), std::nullopt);
  EXPECT_EQ(ModeLetter("s"), std::nullopt);
}

TEST(ModeDispatch, SettingsAndPasswordEndAtOnce) {
  EXPECT_EQ(ModeOf("/c"), SaverMode::Settings);
  EXPECT_EQ(ModeOf("/C"), SaverMode::Settings);
  EXPECT_EQ(ModeOf("/c:1234"), SaverMode::Settings);
  EXPECT_EQ(ModeOf("/a"), SaverMode::Password);
  EXPECT_EQ(ModeOf("-A"), SaverMode::Password);
}

TEST(ModeDispatch, PreviewOnP) {
  EXPECT_EQ(ModeOf("/p"), SaverMode::Preview);
  EXPECT_EQ(ModeOf("/p1234"), SaverMode::Preview);
}

TEST(ModeDispatch, EverythingElseRunsFullScreen) {
  for (const char* argument : {"/s", "-s", "/S", "xs", "s", "", "/1", "/?", "/x"})
    EXPECT_EQ(ModeOf(argument), SaverMode::FullScreen) << argument;
  EXPECT_EQ(ModeOf(nullptr), SaverMode::FullScreen);
}

TEST(FpuControlWord, IsInstalledBeforeTheTestsRun) {
  // The static constructor ran before main; bit 6 reads back as 1.
  EXPECT_EQ(ReadFpuControlWord(), 0x137F);
}

TEST(FpuControlWord, InstallingItMasksDivisionByZeroAndOverflow) {
  // Start from a word that lets both faults through (the default word of the
  // process already masks them), restored whatever happens.
  struct Restore {
    std::uint16_t word = ReadFpuControlWord();
    ~Restore() { __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word)); }
  } restore;
  const std::uint16_t unmasked = 0x137F & ~0x0C;  // zero divide and overflow let through
  __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(unmasked));
  ASSERT_EQ(ReadFpuControlWord(), unmasked);
  InstallFpuControlWord();
  ASSERT_EQ(ReadFpuControlWord(), 0x137F);
  volatile long double zero = 0;
  volatile long double huge = 1e4000L;
  EXPECT_EQ(1 / zero, std::numeric_limits<long double>::infinity());
  EXPECT_EQ(huge * huge, std::numeric_limits<long double>::infinity());
}

}  // namespace
