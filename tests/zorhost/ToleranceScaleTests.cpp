// Tolerance scales: one block between the limits, round steps out to the range, the ends open;
// the draft scale's pass limit moved with the rest in proportion; tolerances read as given.
#include <gtest/gtest.h>

#include <limits>

#include "zorhost/scale/ToleranceScale.h"

namespace {

TEST(ToleranceScale, OneBlockBetweenTheLimitsAndRoundStepsOutToTheRange) {
  // +-0.1 over -0.047 to 0.423: nothing below reaches past the limit, above steps of 0.1.
  ZORWholeScale scale = ZORToleranceScale({-0.1, 0.1}, -0.047, 0.423);
  EXPECT_EQ(scale.boundaries, (std::vector<double>{-0.1, 0.1, 0.2, 0.3, 0.4}));
  ASSERT_EQ(scale.colors.size(), 6u);
  EXPECT_EQ(scale.colors[1], (ZORRgba{0, 160, 0, 255})) << "the tolerance's block green";
  EXPECT_GT(scale.colors[2].green, scale.colors[5].green) << "darker as it goes out";

  // Uneven limits, a reach of 1.3 below: steps of 0.5 (at least 1.3 / 4), rounded to the step.
  scale = ZORToleranceScale({-0.05, 0.2}, -1.35, 0.25);
  EXPECT_EQ(scale.boundaries, (std::vector<double>{-1.05, -0.55, -0.05, 0.2}));
  EXPECT_EQ(scale.colors.size(), 5u);
  EXPECT_LT(scale.colors.front().blue + scale.colors.front().green, scale.colors[2].blue + scale.colors[2].green)
      << "the farthest below darkest";

  // A range within the tolerance: the tolerance's block and an open end either side.
  scale = ZORToleranceScale({-1.0, 1.0}, -0.5, 0.5);
  EXPECT_EQ(scale.boundaries, (std::vector<double>{-1.0, 1.0}));

  // Never more than four blocks a side, however far the range reaches.
  scale = ZORToleranceScale({-0.1, 0.1}, -1e6, 1e-3);
  EXPECT_LE(scale.boundaries.size(), 6u);
  EXPECT_EQ(scale.boundaries.back(), 0.1);
}

TEST(ToleranceScale, TheDraftScaleAndTheTolerancesRead) {
  const ZORWholeScale draft = ZORDraftScale(1.5);
  EXPECT_EQ(draft.boundaries, (std::vector<double>{0.0, 0.5, 1.5}));
  EXPECT_EQ(draft.colors.size(), 4u);
  EXPECT_EQ(ZORDraftPass(1.5).high, std::numeric_limits<double>::infinity());

  EXPECT_EQ(ZORReadTolerance("0.1"), (ZORToleranceBand{-0.1, 0.1}));
  EXPECT_EQ(ZORReadTolerance("-0.05,0.2"), (ZORToleranceBand{-0.05, 0.2}));
  for (const char* refused : {"", "0", "-0.1", "0.2,0.1", "1,1", "nan", "inf", "1,2,3", "0.1,", "x"}) {
    EXPECT_FALSE(ZORReadTolerance(refused)) << refused;
  }
  EXPECT_EQ(ZORToleranceText({-0.1, 0.1}), "\u00b10.1");
  EXPECT_EQ(ZORToleranceText({-0.05, 0.2}), "-0.05 to 0.2");
  EXPECT_EQ(ZORToleranceText(ZORDraftPass(3)), "at least 3");
}

}  // namespace
