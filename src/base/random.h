// The process-wide uniform generator behind Random(n). Window creation seeds it
// from the time of day; tests and the headless renderer give it a seed.
#pragma once

#include <cstdint>

void SeedRandom(std::uint64_t seed);
void SeedRandomFromTimeOfDay();

// A whole number from 0 to n - 1, uniformly; 0 when n < 1.
std::int32_t Random(std::int32_t n);
