// Reads of the attribute store and GetColorForValue from several threads at once: each thread
// must see what one thread alone sees. Built with ThreadSanitizer by CI, which also reports any
// data race on the way.
#include <thread>

#include "support/ZORTestSupport.h"

namespace {

using Threads = ZORModuleTest;

// What a thread reads of a scale: the colors of some values, then its tables.
struct Reading {
  std::vector<int> colors;
  std::vector<double> boundaries;
  std::vector<int> imposedColors;

  friend bool operator==(const Reading&, const Reading&) = default;
};

Reading Read(ZORIStNewColorScale* scale) {
  Reading reading;
  for (int step = -20; step <= 120; ++step) {
    int color[4] = {0, 0, 0, 0};
    reading.colors.push_back(scale->GetColorForValue(step / 100.0, &color[0], &color[1],
                                                     &color[2], &color[3]));
    reading.colors.insert(reading.colors.end(), std::begin(color), std::end(color));
  }
  ZORRawColldouble boundaries;
  ZORRawCollint boundaryIndices, red, green, blue, alpha, colorIndices;
  scale->GetValueTable(&boundaries, &boundaryIndices, nullptr, nullptr);
  scale->GetColorTable(&red, &green, &blue, &alpha, &colorIndices);
  reading.boundaries = ToVector(boundaries);
  reading.imposedColors = ToVector(colorIndices);
  return reading;
}

TEST_F(Threads, ReadsAndEvaluationsOfScalesAtOnce) {
  // Scales of one feature type share their attribute keys, the store's busiest objects.
  std::vector<ZORIStNewColorScale_var> scales;
  for (int blocks : {3, 9, 40, 9}) {
    ZORIStNewColorScale_var scale = NewScale();
    std::vector<ZORImposedColor> colors = {{1, 0, 0, 255, 255}, {blocks, 255, 0, 0, 255}};
    ConfigureScale(scale.get(), blocks, colors, {{1, 0.0}, {blocks - 1, 1.0}});
    scale->SetTolerance(1e-6);
    scales.push_back(std::move(scale));
  }
  std::vector<Reading> alone;
  for (const ZORIStNewColorScale_var& scale : scales) alone.push_back(Read(scale.get()));

  // Every scale on a thread of its own, and the last one on two threads.
  constexpr int kRounds = 20;
  std::vector<std::vector<Reading>> together(scales.size() + 1);
  {
    std::vector<std::jthread> readers;
    for (std::size_t t = 0; t < together.size(); ++t) {
      ZORIStNewColorScale* scale = scales[std::min(t, scales.size() - 1)].get();
      readers.emplace_back([scale, &readings = together[t]] {
        for (int round = 0; round < kRounds; ++round) readings.push_back(Read(scale));
      });
    }
  }
  for (std::size_t t = 0; t < together.size(); ++t) {
    const Reading& expected = alone[std::min(t, scales.size() - 1)];
    ASSERT_EQ(together[t].size(), static_cast<std::size_t>(kRounds));
    for (const Reading& reading : together[t]) EXPECT_EQ(reading, expected) << "thread " << t;
  }
}

}  // namespace
