// What the benchmarks of zorhost's jobs share: stopping on what fails, and the module loaded once
// as zorhost loads it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "zorhost/common/ModuleHost.h"

// Stops the benchmark run, saying why.
[[noreturn]] inline void ZORBenchFail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

inline ZORModuleHost& ZORBenchModuleHost() {
  static std::unique_ptr<ZORModuleHost> host = [] {
    std::unique_ptr<ZORModuleHost> opened;
    if (ZOROutcome problem = ZORModuleHost::Open(ZOR_MODULE_PATH, opened)) ZORBenchFail(problem->message);
    return opened;
  }();
  return *host;
}
