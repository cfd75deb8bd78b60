// Scene state is held in the x87 80-bit extended format (64-bit mantissa);
// values go to OpenGL as float at the call.
#pragma once

#include <limits>

using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format with a 64-bit mantissa");

inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;
