// The draws of the shared generator, seen from outside it: the unit tests
// link with Random wrapped (-Wl,--wrap), so every Random(n) anywhere in the
// scene passes through here on its way to the generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Records the n of every Random(n) while it lives.
class RandomDraws {
 public:
  RandomDraws();
  ~RandomDraws();
  RandomDraws(const RandomDraws&) = delete;
  RandomDraws& operator=(const RandomDraws&) = delete;

  const std::vector<std::int32_t>& Ranges() const { return ranges_; }

 private:
  std::vector<std::int32_t> ranges_;
};

// Ranges in order, a run of one range written once with its length:
// "6280 200 100x30301 10".
std::string RunsOf(const std::vector<std::int32_t>& ranges);
