#include <gtest/gtest.h>

#include <vector>

#include "base/random.h"

namespace {

TEST(Random, StaysInRangeAndCoversIt) {
  SeedRandom(1);
  for (int n : {1, 2, 10, 100, 6280, 12560}) {
    std::vector<int> seen(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n * 40; ++i) {
      const int r = Random(n);
      ASSERT_GE(r, 0);
      ASSERT_LT(r, n);
      ++seen[static_cast<std::size_t>(r)];
    }
    int covered = 0;
    for (int count : seen) covered += count > 0;
    EXPECT_GT(covered, n * 99 / 100) << n;  // 40 draws per value leave almost none unseen
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
}

TEST(Random, IsUniform) {
  // Chi-square over 20 bins with 200,000 draws: 19 degrees of freedom, and
  // 43.8 is the 0.999 quantile.
  SeedRandom(42);
  constexpr int bins = 20, draws = 200000;
  std::vector<int> counts(bins, 0);
  for (int i = 0; i < draws; ++i) ++counts[static_cast<std::size_t>(Random(bins))];
  double chi = 0;
  const double expected = double(draws) / bins;
  for (int c : counts) chi += (c - expected) * (c - expected) / expected;
  EXPECT_LT(chi, 43.8);
}

TEST(Random, SameSeedSameSequence) {
  SeedRandom(2026);
  std::vector<int> first;
  for (int i = 0; i < 50; ++i) first.push_back(Random(1000));
  SeedRandom(2026);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(Random(1000), first[static_cast<std::size_t>(i)]);
  SeedRandom(2027);
  int same = 0;
  for (int i = 0; i < 50; ++i) same += Random(1000) == first[static_cast<std::size_t>(i)];
  EXPECT_LT(same, 5);
}

}  // namespace
