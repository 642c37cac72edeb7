// What the benchmarks share: the module loaded as the host loads it, scales made through it, the
// values they are measured on, and a report of each benchmark's time as a ratio to a baseline.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORModuleLibrary.h"

class ZORBenchHost {
 public:
  static ZORBenchHost& Get();

  // A scale of `blocks` blocks: boundaries 0 and 1 imposed at the ends and the inner ones
  // interpolated, every other color imposed (the rest blend).
  ZORIStNewColorScale_var MakeScale(int blocks);
  ZORIStColorScaleFactory_var& Factory() { return factory_; }

 private:
  ZORBenchHost();
  std::unique_ptr<ZORModuleLibrary> module_;
  std::unique_ptr<ZORHostSession> session_;
  ZORIStColorScaleFactory_var factory_;
};

// `count` values spread over [-0.05, 1.05] in a fixed pseudo-random order.
std::vector<double> SpreadValues(std::size_t count);

// Runs the registered benchmarks and prints, for each, its time per item as a ratio to the
// benchmark named by `baselineOf(name)` (empty: no ratio).
int RunWithRatios(int argc, char** argv, std::string (*baselineOf)(const std::string& name));
