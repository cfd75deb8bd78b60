// Scene state is held in the x87 80-bit extended format (64-bit mantissa);
// values go to OpenGL as float at the call. WebAssembly has no x87: its long
// double is the 128-bit IEEE format (113-bit mantissa), which holds every
// value the x87 format holds, so it is taken there, never anything narrower.
#pragma once

#include <limits>

using Extended = long double;

#if defined(__wasm__)
static_assert(std::numeric_limits<Extended>::digits >= 64,
              "Extended must have at least the x87 format's 64-bit mantissa");
#else
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format with a 64-bit mantissa");
#endif

inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;
