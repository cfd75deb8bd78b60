// SceneParams: the process-wide record of scene sizes, random phases and start
// values. The creating window fills it before any geometry is built; the
// builders and the frame read it.
#pragma once

#include <cstdint>

#include "base/extended.h"

struct Wave {
  Extended Phase = 0;  // radians
  Extended Speed = 0;  // radians per frame; the curtain gives it its value
};

struct ExtendedPoint3 {
  Extended x = 0, y = 0, z = 0;
};

struct SceneParameters {
  float Aspect = 0;  // drawing area width / height
  std::int32_t MeshColumns = 0;
  std::int32_t MeshRows = 0;
  std::int32_t CurtainColumns = 0;
  std::int32_t CurtainRows = 0;
  Wave Waves[3];
  float SwaySteps[3] = {0, 0, 0};  // degrees per frame, about x, y, z
  ExtendedPoint3 ClockOffset;      // translation of the whole clock
  float TextAlpha = 0;             // the headline alpha, animated by the frame
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t DaysInYear = 0;
};

extern SceneParameters SceneParams;

// Gregorian: divisible by 4, and not by 100 unless by 400.
constexpr bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr std::uint16_t DaysInYearOf(int year) { return IsLeapYear(year) ? 366 : 365; }
