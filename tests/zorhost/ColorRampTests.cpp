// Ramps sampled onto scales: anchors where the scale's whole-number steps can carry the colors
// between them, every block imposed where they cannot.
#include <gtest/gtest.h>

#include <cstdlib>

#include "zorhost/palettes/ColorRamps.h"

namespace {

TEST(ColorRamps, EveryRunBetweenImposedColorsSteps) {
  for (int blocks : {1, 2, 3, 4, 5, 9, 20, 200, 1021, 1022, 4096, 65536}) {
    const std::vector<ZORImposedBlockColor> imposed = ZORSampleRamp(ZORDefaultRamp(), blocks);
    ASSERT_FALSE(imposed.empty()) << blocks;
    EXPECT_EQ(imposed.front().position, 1) << blocks;
    EXPECT_EQ(imposed.back().position, blocks) << blocks;
    EXPECT_EQ(imposed.front().color, ZORDefaultRamp().front()) << blocks;
    if (blocks >= 2) {
      EXPECT_EQ(imposed.back().color, ZORDefaultRamp().back()) << blocks;
    }
    for (std::size_t i = 0; i + 1 < imposed.size(); ++i) {
      const ZORImposedBlockColor& p = imposed[i];
      const ZORImposedBlockColor& q = imposed[i + 1];
      const int gap = q.position - p.position;
      ASSERT_GT(gap, 0) << blocks;
      const int largest = std::max({std::abs(q.color.red - p.color.red),
                                    std::abs(q.color.green - p.color.green),
                                    std::abs(q.color.blue - p.color.blue),
                                    std::abs(q.color.alpha - p.color.alpha)});
      // A run of blocks between them (gap > 1) advances by at least one in some component.
      EXPECT_TRUE(gap == 1 || largest >= gap) << blocks << " blocks, run at " << p.position;
    }
  }
  // Few blocks take anchors only: nine blocks, the five anchors on blocks 1, 3, 5, 7, 9.
  const std::vector<ZORImposedBlockColor> nine = ZORSampleRamp(ZORDefaultRamp(), 9);
  ASSERT_EQ(nine.size(), 5u);
  for (int j = 0; j < 5; ++j) EXPECT_EQ(nine[static_cast<std::size_t>(j)].position, 1 + 2 * j);
  EXPECT_EQ(ZORSampleRamp(ZORDefaultRamp(), 65536).size(), 65536u);
}

}  // namespace
