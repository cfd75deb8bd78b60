// The number type of the scene's state. Natively it is the x87 80-bit
// extended format (64-bit mantissa); values go to OpenGL as float at the
// call.
//
// On WebAssembly it is double, by choice: wasm has no x87, and its long
// double is the 128-bit IEEE format done in software, which made the page's
// scene several times slower than the native one. Every value of the scene
// reaches the screen as a float (24-bit mantissa) or a whole number, so
// double's 53 bits keep the page's pictures within the tolerances it is held
// to against the renderer's: measured with bench/web_moments.py on the
// page test's moments and on a sweep of moments across the calendar's years,
// times of day and the countdowns' turning points.
#pragma once

#include <limits>

#if defined(__wasm__)
using Extended = double;
static_assert(std::numeric_limits<Extended>::digits == 53, "Extended on WebAssembly is IEEE double");
#else
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format with a 64-bit mantissa");
#endif

// A number literal of the scene in its own type (0.35_x rather than 0.35L),
// so that arithmetic with it stays in Extended on every platform.
constexpr Extended operator""_x(long double value) { return static_cast<Extended>(value); }
constexpr Extended operator""_x(unsigned long long value) { return static_cast<Extended>(value); }

inline constexpr Extended Pi = 3.14159265358979323846264338327950288_x;
