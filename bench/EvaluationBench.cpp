// What a call of GetColorForValue and of GetScaleDefinition costs through the loaded module's
// adapter, against a baseline doing the same look-up on plain arrays.
#include <algorithm>
#include <array>
#include <vector>

#include "bench/BenchSupport.h"

namespace {

constexpr std::size_t kValueCount = 4096;

void BM_GetColorForValue(benchmark::State& state) {
  const int blocks = static_cast<int>(state.range(0));
  ZORIStNewColorScale_var scale = ZORBenchHost::Get().MakeScale(blocks);
  const std::vector<double> values = SpreadValues(kValueCount);
  std::size_t next = 0;
  for (auto _ : state) {
    int red = 0, green = 0, blue = 0, alpha = 0;
    int block = scale->GetColorForValue(values[next], &red, &green, &blue, &alpha);
    benchmark::DoNotOptimize(block + red + green + blue + alpha);
    next = (next + 1) % kValueCount;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetScaleDefinition(benchmark::State& state) {
  const int blocks = static_cast<int>(state.range(0));
  ZORIStNewColorScale_var scale = ZORBenchHost::Get().MakeScale(blocks);
  std::vector<int> red(blocks), green(blocks), blue(blocks), alpha(blocks), colorIndex(blocks);
  std::vector<double> values(blocks - 1);
  std::vector<int> valueIndex(blocks - 1);
  for (auto _ : state) {
    int colorCount = blocks, valueCount = blocks - 1;
    int *r = red.data(), *g = green.data(), *b = blue.data(), *a = alpha.data();
    int* ci = colorIndex.data();
    double* v = values.data();
    int* vi = valueIndex.data();
    double minimum = 0.0, maximum = 0.0;
    int result = scale->GetScaleDefinition(&colorCount, &r, &g, &b, &a, &ci, &valueCount, &v,
                                           &vi, &minimum, &maximum);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// The same look-up on plain arrays: an upper bound over the n - 1 boundaries, then a copy of the
// block's four components.
void BM_Baseline(benchmark::State& state) {
  const int blocks = static_cast<int>(state.range(0));
  std::vector<double> boundaries(static_cast<std::size_t>(blocks - 1));
  for (int k = 0; k < blocks - 1; ++k) boundaries[static_cast<std::size_t>(k)] = static_cast<double>(k) / (blocks - 2 > 0 ? blocks - 2 : 1);
  std::vector<std::array<int, 4>> colors(static_cast<std::size_t>(blocks));
  for (int k = 0; k < blocks; ++k) colors[static_cast<std::size_t>(k)] = {k, 2 * k, 3 * k, 255};
  const std::vector<double> values = SpreadValues(kValueCount);
  std::size_t next = 0;
  for (auto _ : state) {
    auto found = std::upper_bound(boundaries.begin(), boundaries.end(), values[next]);
    std::array<int, 4> color = colors[static_cast<std::size_t>(found - boundaries.begin())];
    benchmark::DoNotOptimize(color);
    next = (next + 1) % kValueCount;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Baseline)->Arg(2)->Arg(10)->Arg(100);
BENCHMARK(BM_GetColorForValue)->Arg(2)->Arg(10)->Arg(100);
BENCHMARK(BM_GetScaleDefinition)->Arg(2)->Arg(10)->Arg(100);

std::string BaselineOf(const std::string& name) {
  if (name.rfind("BM_Baseline", 0) == 0) return {};
  return "BM_Baseline" + name.substr(name.find('/'));
}

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, &BaselineOf); }
