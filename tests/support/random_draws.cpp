#include "random_draws.h"

namespace {
std::vector<std::int32_t>* recording = nullptr;
}  // namespace

// Random(int), as the linker names it; --wrap sends every call here and
// keeps the generator's own under the __real_ name.
extern "C" std::int32_t __real__Z6Randomi(std::int32_t n);
extern "C" std::int32_t __wrap__Z6Randomi(std::int32_t n) {
  if (recording) recording->push_back(n);
  return __real__Z6Randomi(n);
}

RandomDraws::RandomDraws() { recording = &ranges_; }
RandomDraws::~RandomDraws() { recording = nullptr; }

std::string RunsOf(const std::vector<std::int32_t>& ranges) {
  std::string runs;
  for (std::size_t i = 0; i < ranges.size();) {
    std::size_t end = i;
    while (end < ranges.size() && ranges[end] == ranges[i]) ++end;
    if (!runs.empty()) runs += ' ';
    runs += std::to_string(ranges[i]);
    if (end - i > 1) runs.append("x").append(std::to_string(end - i));
    i = end;
  }
  return runs;
}
