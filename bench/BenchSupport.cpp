#include "bench/BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

ZORBenchHost& ZORBenchHost::Get() {
  static ZORBenchHost* host = new ZORBenchHost;
  return *host;
}

ZORBenchHost::ZORBenchHost() {
  std::string error;
  module_ = ZORModuleLibrary::Load(ZOR_MODULE_PATH, error);
  if (!module_) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  session_ = std::make_unique<ZORHostSession>();
  auto getClassObject = module_->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
  void* classObject = nullptr;
  getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classObject);
  ZORVar<IClassFactory> classFactory = ZORVar<IClassFactory>::Adopt(static_cast<IClassFactory*>(classObject));
  void* factory = nullptr;
  classFactory->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &factory);
  factory_ = ZORIStColorScaleFactory_var::Adopt(static_cast<ZORIStColorScaleFactory*>(factory));
}

ZORIStNewColorScale_var ZORBenchHost::MakeScale(int blocks) {
  ZORIStNewColorScale_var scale = factory_->CreateColorScale();
  scale->SetNumberOfBlocks(blocks);
  ZORRawCollint index, red, green, blue, alpha, types;
  for (int k = 1; k <= blocks; k += 2) {
    index.Append(k);
    red.Append((k * 37) % 256);
    green.Append((k * 91) % 256);
    blue.Append((k * 13) % 256);
    alpha.Append(255);
    types.Append(0);
  }
  scale->SetColors(index.Size(), &index, &red, &green, &blue, &alpha, &types);
  scale->SetExtremeImposedValues(0.0, 1.0);
  scale->SetTolerance(1e-9);
  return scale;
}

std::vector<double> SpreadValues(std::size_t count) {
  std::mt19937_64 generator(20261206);
  std::uniform_real_distribution<double> spread(-0.05, 1.05);
  std::vector<double> values(count);
  for (double& value : values) value = spread(generator);
  return values;
}

namespace {

// Keeps each run's time per item and prints the ratios after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string (*baselineOf)(const std::string&)) : baselineOf_(baselineOf) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      auto items = run.counters.find("items_per_second");
      if (items == run.counters.end() || items->second.value <= 0) continue;
      const std::string name = run.benchmark_name();
      nanosecondsPerItem_[name] = 1e9 / items->second.value;
      order_.push_back(name);
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-48s %12s %14s\n", "benchmark", "ns per item", "ratio");
    for (const std::string& name : order_) {
      const std::string baseline = baselineOf_(name);
      auto found = nanosecondsPerItem_.find(baseline);
      if (baseline.empty() || found == nanosecondsPerItem_.end()) {
        std::printf("%-48s %12.2f\n", name.c_str(), nanosecondsPerItem_[name]);
      } else {
        std::printf("%-48s %12.2f %8.2f x %s\n", name.c_str(), nanosecondsPerItem_[name],
                    nanosecondsPerItem_[name] / found->second, baseline.c_str());
      }
    }
  }

 private:
  std::string (*baselineOf_)(const std::string&);
  std::map<std::string, double> nanosecondsPerItem_;
  std::vector<std::string> order_;
};

}  // namespace

int RunWithRatios(int argc, char** argv, std::string (*baselineOf)(const std::string& name)) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(baselineOf);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
