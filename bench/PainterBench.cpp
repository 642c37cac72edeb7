// What the painter costs per value, against the plain look-up of the evaluation benchmarks on
// the same number of values.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "bench/BenchSupport.h"
#include "painter/ZORScalePainter.h"

namespace {

constexpr std::size_t kMillion = 1000000;

// The plain look-up over a million values: upper bound over the boundaries, copy of the color.
void BM_BaselineBulk(benchmark::State& state) {
  const int blocks = static_cast<int>(state.range(0));
  std::vector<double> boundaries(static_cast<std::size_t>(blocks - 1));
  for (int k = 0; k < blocks - 1; ++k) boundaries[static_cast<std::size_t>(k)] = static_cast<double>(k) / (blocks - 2);
  std::vector<std::array<int, 4>> colors(static_cast<std::size_t>(blocks));
  for (int k = 0; k < blocks; ++k) colors[static_cast<std::size_t>(k)] = {k, 2 * k, 3 * k, 255};
  const std::vector<double> values = SpreadValues(kMillion);
  std::vector<std::array<int, 4>> out(kMillion);
  for (auto _ : state) {
    for (std::size_t i = 0; i < kMillion; ++i) {
      auto found = std::upper_bound(boundaries.begin(), boundaries.end(), values[i]);
      out[i] = colors[static_cast<std::size_t>(found - boundaries.begin())];
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(kMillion));
}

void PaintMany(benchmark::State& state, int blocks, std::size_t count, double notANumberShare,
               unsigned threads, bool widestVectors = true) {
  ZORIStNewColorScale_var scale = ZORBenchHost::Get().MakeScale(blocks);
  const ZORScalePainter painter(scale.get(), 1e-9);
  std::vector<double> values = SpreadValues(count);
  const std::size_t every = notANumberShare > 0 ? static_cast<std::size_t>(1.0 / notANumberShare) : 0;
  for (std::size_t i = 0; every != 0 && i < count; i += every) values[i] = std::nan("");
  std::vector<int> indices(count);
  std::vector<ZORRgba> colors(count);
  ZORScalePainter::PaintOptions options;
  options.threads = threads;
  options.widestVectors = widestVectors;
  for (auto _ : state) {
    painter.Paint(values, indices, colors, options);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(count));
}

void BM_Painter(benchmark::State& state) {
  PaintMany(state, static_cast<int>(state.range(0)), kMillion, 0.0, 1);
}
// The same on SSE2 only, where AVX2 would be chosen.
void BM_PainterSse2(benchmark::State& state) {
  PaintMany(state, static_cast<int>(state.range(0)), kMillion, 0.0, 1, false);
}
void BM_PainterNotANumber10Percent(benchmark::State& state) {
  PaintMany(state, static_cast<int>(state.range(0)), kMillion, 0.1, 1);
}
// The snapshot a painter takes of a scale: linear in the blocks but for a logarithm.
void BM_PainterSnapshot(benchmark::State& state) {
  ZORIStNewColorScale_var scale = ZORBenchHost::Get().MakeScale(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const ZORScalePainter painter(scale.get(), 1e-9);
    benchmark::DoNotOptimize(painter.SearchesIntervals());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PainterThreads(benchmark::State& state) {
  PaintMany(state, 10, 10 * kMillion, 0.0, static_cast<unsigned>(state.range(0)));
}

BENCHMARK(BM_BaselineBulk)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Painter)->Arg(10)->Arg(1000)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PainterSse2)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PainterSnapshot)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PainterNotANumber10Percent)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PainterThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string BaselineOf(const std::string& name) {
  if (name.rfind("BM_BaselineBulk", 0) == 0) return {};
  if (name == "BM_Painter/1000" || name == "BM_Painter/65536") return "BM_Painter/10";
  if (name.rfind("BM_PainterSnapshot", 0) == 0) return {};
  if (name.rfind("BM_PainterNotANumber", 0) == 0) return "BM_Painter/10";
  if (name.rfind("BM_PainterThreads/2", 0) == 0) return "BM_PainterThreads/1/real_time";
  if (name.rfind("BM_PainterThreads", 0) == 0) return {};
  return "BM_BaselineBulk/10";
}

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, &BaselineOf); }
