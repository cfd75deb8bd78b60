// What the Linux programs' messages make of control characters in the values
// they echo: every one written as a C escape.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// Bytes 1 to 31 and 127: every control character an argument can hold.
inline std::string ControlCharacters() {
  std::string controls;
  for (char c = 1; c < 32; ++c) controls += c;
  return controls + '\x7f';
}

// ControlCharacters() as a message writes it: C's names for 7 to 13, the
// others in hexadecimal.
inline const std::string ControlsEscaped =
    R"(\x01\x02\x03\x04\x05\x06\a\b\t\n\v\f\r\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x7f)";

// The message holds ControlCharacters() escaped, and no control character.
inline void ExpectEscaped(const std::string& message) {
  EXPECT_NE(message.find(ControlsEscaped), std::string::npos) << message;
  EXPECT_EQ(std::count_if(message.begin(), message.end(), [](unsigned char c) { return c < 32 || c == 127; }), 0)
      << message;
}
