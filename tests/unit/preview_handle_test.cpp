#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "host/win32/preview_handle.h"

namespace {

using Handle = std::uintptr_t;
constexpr Handle Max = std::numeric_limits<Handle>::max();

struct Case {
  const char* Text;
  Handle Expected;
};

void ExpectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(ParsePreviewHandle(c.Text), c.Expected) << '"' << c.Text << '"';
}

TEST(PreviewHandle, DecimalWithLeadingBlanksAndSign) {
  ExpectAll({
      {"1234", 1234},
      {"0", 0},
      {"007", 7},
      {"   65552", 65552},
      {"+42", 42},
      {" -1", Max},
      {"-65552", Handle{0} - 65552},
      {"9223372036854775807", Max >> 1},
      // The negative end of the signed range still fits.
      {"-9223372036854775808", (Max >> 1) + 1},
  });
}

TEST(PreviewHandle, HexadecimalAfterDollarXOrZeroX) {
  ExpectAll({
      {"$1A", 0x1A},
      {"$ff", 0xFF},
      {"x10", 0x10},
      {"X10", 0x10},
      {"0x10", 0x10},
      {"0XaBc", 0xABC},
      {"  $10020", 0x10020},
      {"-$10", Handle{0} - 0x10},
      {"+0x7f", 0x7F},
      // Hexadecimal may use every bit.
      {"$FFFFFFFFFFFFFFFF", Max},
  });
}

TEST(PreviewHandle, AnythingElseIsTheNullHandle) {
  ExpectAll({
      {"", 0},
      {"   ", 0},
      {"-", 0},
      {"+", 0},
      {"$", 0},
      {"x", 0},
      {"0x", 0},
      {"abc", 0},
      {"12ab", 0},
      {"12 ", 0},       // trailing blanks are not part of a number
      {"1 2", 0},
      {"- 12", 0},      // nor is a blank after the sign
      {"\t12", 0},      // only blanks lead
      {"--12", 0},
      {"+-12", 0},
      {"$-12", 0},
      {"1.5", 0},
      {"1e3", 0},
      {"0x$10", 0},
      {"00x10", 0},     // "0x" only at the start
      {"$12G", 0},
      {"/p", 0},
  });
  EXPECT_EQ(ParsePreviewHandle(nullptr), Handle{0});
}

TEST(PreviewHandle, NumbersTooBigForAHandleAreTheNullHandle) {
  ExpectAll({
      {"9223372036854775808", 0},
      {"-9223372036854775809", 0},
      {"18446744073709551615", 0},
      {"99999999999999999999999", 0},
      {"$10000000000000000", 0},
      {"0x1FFFFFFFFFFFFFFFF", 0},
  });
}

// The handle 64-bit Windows makes of the number: its low 32 bits,
// sign-extended. Numbers whose low 32 bits are 0 give the null handle, which
// names no window, however they are spelled.
TEST(PreviewHandle, WindowHandleIsTheLow32BitsSignExtended) {
  const Case cases[] = {
      {"4294967296", 0},
      {"0x100000000", 0},
      {"-4294967296", 0},
      {"-9223372036854775808", 0},
      {"65552", 65552},
      {"4295032848", 0x10010},       // 2^32 + 0x10010
      {"$7FFFFFFF", 0x7FFFFFFF},
      {"2147483648", Handle{0} - 0x80000000},  // bit 31 set: negative
      {"$FFFFFFFF", Max},
      {"-1", Max},
      {"-65552", Handle{0} - 65552},
      {"$123456789ABCDEF0", Handle{0} - 0x65432110},  // low half 0x9ABCDEF0
  };
  for (const Case& c : cases)
    EXPECT_EQ(WindowHandleFromNumber(ParsePreviewHandle(c.Text)), c.Expected) << '"' << c.Text << '"';
}

}  // namespace
