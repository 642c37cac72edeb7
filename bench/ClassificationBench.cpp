// Classifying a million values: each method into 9 blocks, and quantiles and natural breaks into
// 256, on curvature-like values (a normal spread with a long tail, a share of them tied, a few not
// finite); and ten million into 9 by natural breaks and quantiles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "zorhost/classification/Classification.h"

namespace {

std::vector<double> CurvatureLikeValues(std::size_t count) {
  std::mt19937_64 random(42);
  std::normal_distribution<double> normal(-0.5, 1.0);
  std::exponential_distribution<double> tail(0.5);
  std::vector<double> v(count);
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i % 1000 == 0) {
      v[i] = std::numeric_limits<double>::quiet_NaN();
    } else if (i % 10 == 1) {
      v[i] = 0.0;  // a flat region: many equal values
    } else {
      v[i] = i % 7 == 0 ? tail(random) : normal(random);
    }
  }
  return v;
}

void ClassifyValues(benchmark::State& state, ZORClassMethod method, const std::vector<double>& values) {
  ZORClassRequest request{method, static_cast<int>(state.range(0)), -3.0, 3.0};
  ZORClassification result;
  for (auto _ : state) {
    if (const ZOROutcome problem = ZORClassify(request, values, result)) state.SkipWithError(problem->message.c_str());
    benchmark::DoNotOptimize(result.boundaries.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}

void Classify(benchmark::State& state, ZORClassMethod method) {
  static const std::vector<double> values = CurvatureLikeValues(1000000);
  ClassifyValues(state, method, values);
}

void ClassifyTenMillion(benchmark::State& state, ZORClassMethod method) {
  static const std::vector<double> values = CurvatureLikeValues(10000000);
  ClassifyValues(state, method, values);
}

BENCHMARK_CAPTURE(Classify, equal, ZORClassMethod::Equal)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Classify, quantile, ZORClassMethod::Quantile)->Arg(9)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Classify, jenks, ZORClassMethod::Jenks)->Arg(9)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Classify, stddev, ZORClassMethod::StdDev)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Classify, symmetric, ZORClassMethod::Symmetric)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClassifyTenMillion, jenks, ZORClassMethod::Jenks)->Arg(9)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ClassifyTenMillion, quantile, ZORClassMethod::Quantile)->Arg(9)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
