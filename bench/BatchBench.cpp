// zorhost batch on a campaign of 40 renders (the example parts seen from ten directions each)
// against the same renders one after another, each with every core, as a shell loop runs them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/ZorhostBenchSupport.h"

namespace {

namespace fs = std::filesystem;

// A row: the part, its reference, its analysis and its options.
struct CampaignRow {
  std::string part, reference, analysis, options, out;
};

std::vector<CampaignRow> CampaignRows() {
  const CampaignRow kinds[] = {{"bracket-scan.stl", "bracket.step", "deviation", "--tolerance 0.05", ""},
                               {"moulded.step", "", "draft", "--min-draft 1", ""},
                               {"torus.step", "", "mean", "", ""},
                               {"bracket.step", "", "gaussian", "", ""}};
  std::vector<CampaignRow> rows;
  for (int view = 0; view < 10; ++view) {
    for (int kind = 0; kind < 4; ++kind) {
      CampaignRow row = kinds[kind];
      row.options += " --size 640x480 --view " + std::to_string(36 * view) + ",25";
      row.out = "out/" + std::to_string(kind) + "-" + std::to_string(view);
      rows.push_back(row);
    }
  }
  return rows;
}

// The campaign's folder: the parts, the manifest, and the same renders as a shell loop.
const fs::path& Campaign() {
  static const fs::path folder = [] {
    const fs::path made = fs::temp_directory_path() / ("zor-bench-batch-" + std::to_string(getpid()));
    fs::create_directories(made);
    for (const char* part : {"bracket.step", "bracket-scan.stl", "moulded.step", "torus.step"}) {
      fs::copy_file(fs::path(ZOR_EXAMPLE_PARTS) / part, made / part, fs::copy_options::overwrite_existing);
    }
    std::ofstream manifest(made / "campaign.csv"), loop(made / "loop.sh");
    manifest << "part,reference,analysis,options,out\n";
    loop << "set -e\nmkdir -p out\n";
    for (const CampaignRow& row : CampaignRows()) {
      manifest << row.part << ',' << row.reference << ',' << row.analysis << ",\"" << row.options << "\"," << row.out << "\n";
      loop << "'" ZORHOST_PATH "' render --out=" << row.out << " --stats-out=" << row.out << ".stats.json --analysis="
           << row.analysis << (row.reference.empty() ? "" : " --reference=" + row.reference) << ' ' << row.options
           << " -- " << row.part << " >" << row.out << ".log 2>&1\n";
    }
    return made;
  }();
  return folder;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) ZORBenchFail("the batch failed: " + command);
}

void Batch40(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(Campaign() / "out");
    state.ResumeTiming();
    Run("cd '" + Campaign().string() + "' && " + command + " >/dev/null 2>&1");
  }
  state.SetItemsProcessed(40 * state.iterations());
}

// One after another, each part with every core: a shell loop over zorhost render.
void BM_BatchOneAfterAnother(benchmark::State& state) { Batch40(state, "sh loop.sh"); }
// zorhost batch: a part a core at once, each with one.
void BM_BatchAtOnce(benchmark::State& state) { Batch40(state, "'" ZORHOST_PATH "' batch campaign.csv"); }
BENCHMARK(BM_BatchOneAfterAnother)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_BatchAtOnce)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

std::string BaselineOf(const std::string& name) {
  if (name.rfind("BM_BatchAtOnce", 0) != 0) return {};
  return "BM_BatchOneAfterAnother" + name.substr(name.find('/'));
}

}  // namespace

int main(int argc, char** argv) {
  const int status = RunWithRatios(argc, argv, &BaselineOf);
  fs::remove_all(Campaign());
  return status;
}
