#include "base/random.h"

#include <chrono>

namespace {

// xoshiro256** with a SplitMix64 seeder: small, fast, and uniform in all bits.
struct Generator {
  std::uint64_t s[4];
};

Generator generator = {{0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull,
                        0x2545F4914F6CDD1Dull}};

std::uint64_t SplitMix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint64_t Next() {
  std::uint64_t* s = generator.s;
  const std::uint64_t result = Rotl(s[1] * 5, 7) * 9;
  const std::uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = Rotl(s[3], 45);
  return result;
}

}  // namespace

void SeedRandom(std::uint64_t seed) {
  for (std::uint64_t& word : generator.s) word = SplitMix64(seed);
}

void SeedRandomFromTimeOfDay() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  SeedRandom(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

std::int32_t Random(std::int32_t n) {
  if (n < 1) return 0;
  // Lemire's multiply-shift with rejection: exactly uniform, and the modulo
  // that finds the rejection threshold runs only in the rare low-product case.
  const std::uint64_t range = static_cast<std::uint64_t>(n);
  unsigned __int128 product = static_cast<unsigned __int128>(Next()) * range;
  if (static_cast<std::uint64_t>(product) < range) {
    const std::uint64_t threshold = (0 - range) % range;  // 2^64 mod n
    while (static_cast<std::uint64_t>(product) < threshold)
      product = static_cast<unsigned __int128>(Next()) * range;
  }
  return static_cast<std::int32_t>(product >> 64);
}
