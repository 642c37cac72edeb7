#include "zorhost/batch/BatchJob.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>
#include <thread>

#include "zorhost/batch/BatchRunner.h"
#include "zorhost/batch/BatchSummary.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Numbers.h"

namespace {

// A sanitizer's shadow memory reserves terabytes of address space: no default limit holds it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kShadowMemory = true;
#elif defined(__has_feature)
constexpr bool kShadowMemory = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kShadowMemory = false;
#endif

enum BatchOption { kJobs = 256, kRows, kSummary, kSummaryOnly, kMemoryLimit, kModule, kEndWithParent, kThreads, kRowsAsked };

const char* const kHelp = R"(usage: zorhost batch MANIFEST.csv [options]

Renders every part a manifest lists, each in a process of its own, several at once, and writes
the batch's summary. The manifest is a CSV file: a header line naming its columns, then a row a
part. Its columns:
  part       the part (STEP, IGES, STL, OBJ, PLY)
  reference  the reference of a deviation (may be empty)
  analysis   as --analysis of zorhost render (empty: gaussian)
  options    further zorhost render options, separated by spaces ("--tolerance 0.1 --view top");
             quote a value with spaces in ' or "
  out        the output prefix: OUT.png and OUT.svg (the picture), OUT.stats.json (the statistics,
             docs/statistics.md), OUT.log (what the part's run told), OUT.batch.json (how it ended)
Paths are relative to the manifest's folder, where each part runs; out's folders are made.

A part that fails is told and logged, and the others run on. A row whose earlier run was done,
from the same row and from inputs whose SHA-256 is unchanged, is kept, not run again: a batch
stopped halfway is run again to finish it.

  --jobs N              parts rendered at once (default: one a core); each part's picture is
                        made with the cores shared among them, unless its options give --threads
  --threads N           threads each part's picture is made with (default: the cores shared
                        among the jobs)
  --memory-limit MB     the most memory (address space) each part's process may take; a part
                        past it fails (default: the machine's memory shared among the jobs)
  --rows LIST           run only these rows (from 1, the first after the header): 3, 1-5 or
                        2,4,7-9; the summary is not written (--summary-only writes it)
  --summary PREFIX      write the summary to PREFIX.csv and PREFIX.json (default: the
                        manifest's path without .csv, then -summary); its folder is made
  --summary-only        run nothing: write the summary of what the rows' runs left
  --module PATH         the module every part loads
  --end-with-parent     end, and end the parts being rendered, when the program that started
                        this batch ends (for schedulers that run rows as tasks, as zorscale.batch)
  --rows-asked          run the rows asked on standard input, a LIST as --rows takes a line, and
                        answer each with a line: the exit status --rows would give, a tab, and
                        its message (for schedulers that keep a zorhost a worker: zorscale.batch)
  -h, --help            this text

The summary has a row a part: how its run ended (done, failed or not run), its verdict and its
statistics, and for a failure why; PREFIX.json holds each part's whole statistics record.
)";

struct BatchRequest {
  ZORBatchSettings settings;
  std::string summaryPrefix;
  bool summaryOnly = false;
  bool rowsAsked = false;
};

// "3", "1-5", "2,4,7-9": the row numbers, each from 1.
ZOROutcome ReadRows(const std::string& text, std::vector<int>& rows) {
  const ZOROutcome wrong = ZORUsageProblem("--rows is a list of rows from 1 (3, 1-5 or 2,4,7-9), not " + ZORShown(text));
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string range = text.substr(at, comma - at);
    const std::size_t dash = range.find('-');
    const std::optional<int> first = ZORReadInt(range.substr(0, dash));
    const std::optional<int> last = dash == std::string::npos ? first : ZORReadInt(range.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first || *last - *first >= (1 << 20)) return wrong;
    for (int row = *first; row <= *last; ++row) rows.push_back(row);
    at = comma + 1;
  }
  return std::nullopt;
}

// Jobs and threads: from 1 to as many threads as zorhost runs.
ZOROutcome ReadCount(const char* option, const std::string& value, int& count) {
  const std::optional<int> read = ZORReadInt(value);
  if (!read || *read < 1 || *read > kZORMostThreads) {
    return ZORUsageProblem(std::string(option) + " is a count from 1 to " + std::to_string(kZORMostThreads) +
                           ", not " + ZORShown(value));
  }
  count = *read;
  return std::nullopt;
}

ZOROutcome TakeOption(int id, const std::string& value, BatchRequest& request, std::string& modulePath) {
  ZORBatchSettings& settings = request.settings;
  switch (id) {
    case kJobs:
      return ReadCount("--jobs", value, settings.jobs);
    case kThreads:
      return ReadCount("--threads", value, settings.threadsPerPart);
    case kMemoryLimit: {
      const std::optional<double> megabytes = ZORReadDouble(value);
      if (!megabytes || !(*megabytes >= 1.0) || *megabytes > 1e9) {
        return ZORUsageProblem("--memory-limit is megabytes, at least 1, not " + ZORShown(value));
      }
      settings.memoryLimit = static_cast<std::uint64_t>(*megabytes * 1048576.0);
      return std::nullopt;
    }
    case kRows:
      return ReadRows(value, settings.rows);
    case kSummary:
      request.summaryPrefix = value;
      return ZORCheckNotEmpty("--summary", value);
    case kSummaryOnly:
      request.summaryOnly = true;
      return std::nullopt;
    case kRowsAsked:
      request.rowsAsked = true;
      return std::nullopt;
    case kModule:
      modulePath = value;
      return ZORCheckNotEmpty("--module", value);
    case kEndWithParent:
      // A task killed with its worker must not leave its batch rendering beside the task's retry.
      if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) return ZORFailure(std::string("--end-with-parent: ") + std::strerror(errno));
      return std::nullopt;
  }
  return ZORUsageProblem("unknown option");
}

std::string DefaultSummaryPrefix(const std::string& manifestPath) {
  std::filesystem::path path(manifestPath);
  if (path.extension() == ".csv") path.replace_extension();
  return path.string() + "-summary";
}

ZOROutcome CheckRowsExist(const ZORBatchManifest& manifest, const std::vector<int>& rows) {
  for (const int row : rows) {
    if (row > static_cast<int>(manifest.rows.size())) {
      return ZORUsageProblem("--rows asks for row " + std::to_string(row) + "; the manifest has " +
                             std::to_string(manifest.rows.size()));
    }
  }
  return std::nullopt;
}

// The program and the module each part's process runs: this zorhost and the module it finds.
ZOROutcome LocateExecutables(const std::string& modulePath, ZORBatchSettings& settings) {
  std::error_code error;
  settings.executable = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error) return ZORFailure("zorhost could not tell where it is itself: " + error.message());
  std::string why;
  settings.modulePath = ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, why);
  if (settings.modulePath.empty()) return ZORFailure(why);
  settings.modulePath = std::filesystem::absolute(settings.modulePath, error).string();
  return std::nullopt;
}

ZOROutcome RunRows(const ZORBatchManifest& manifest, BatchRequest& request, const std::string& modulePath,
                   std::ostream& err, ZORBatchTally& tally) {
  ZORBatchSettings& settings = request.settings;
  if (ZOROutcome problem = LocateExecutables(modulePath, settings)) return problem;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (settings.jobs == 0) settings.jobs = cores;
  if (settings.threadsPerPart == 0) settings.threadsPerPart = std::max(1, cores / settings.jobs);
  // A part that runs away fails alone, before the machine swaps for every part.
  if (settings.memoryLimit == 0 && !kShadowMemory) {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
      settings.memoryLimit = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) /
                             static_cast<std::uint64_t>(settings.jobs);
    }
  }
  return ZORRunBatch(manifest, settings, err, tally);
}

ZOROutcome Batch(const std::string& manifestPath, BatchRequest& request, const std::string& modulePath,
                 std::ostream& out, std::ostream& err) {
  ZORBatchManifest manifest;
  if (ZOROutcome problem = ZORReadBatchManifest(manifestPath, manifest)) return problem;
  if (ZOROutcome problem = CheckRowsExist(manifest, request.settings.rows)) return problem;
  ZORBatchTally tally;
  if (!request.summaryOnly) {
    if (ZOROutcome problem = RunRows(manifest, request, modulePath, err, tally)) return problem;
  }
  if (request.summaryOnly || request.settings.rows.empty()) {
    ZORSummaryCounts counts;
    const std::string prefix = request.summaryPrefix.empty() ? DefaultSummaryPrefix(manifestPath) : request.summaryPrefix;
    if (ZOROutcome problem = ZORWriteBatchSummary(manifest, prefix, counts)) return problem;
    out << "batch: " << manifest.rows.size() << " rows: " << counts.done << " done (" << counts.passed << " pass, "
        << counts.notPassed << " fail), " << counts.failed << " failed, " << counts.notRun << " not run"
        << (request.summaryOnly ? "" : "; " + std::to_string(tally.unchanged) + " kept from an earlier run")
        << "\nsummary: " << prefix << ".csv, " << prefix << ".json\n";
  }
  if (tally.failed.empty()) return std::nullopt;
  std::string rows;
  for (const int row : tally.failed) rows += (rows.empty() ? "" : ", ") + std::to_string(row);
  return ZORFailure(std::to_string(tally.failed.size()) + " of the parts failed (rows " + rows +
                    "); their logs say why");
}

// Answers each line of `in` as `--rows LINE` would end: a process that stays spares each row the
// start of a zorhost.
int AnswerRows(const std::string& manifestPath, const BatchRequest& request, const std::string& modulePath,
               std::istream& in, std::ostream& out, std::ostream& err) {
  std::string line;
  while (std::getline(in, line)) {
    BatchRequest asked = request;
    ZOROutcome outcome = ReadRows(line, asked.settings.rows);
    if (!outcome) outcome = Batch(manifestPath, asked, modulePath, out, err);
    std::string message = outcome ? outcome->message : std::string();
    std::replace_if(message.begin(), message.end(), [](char c) { return c == '\n' || c == '\t'; }, ' ');
    out << ZORExitStatus(outcome) << '\t' << message << std::endl;
  }
  return 0;
}

}  // namespace

int ZORBatchJob(ZORJobArguments& arguments, std::string modulePath, std::istream& in, std::ostream& out,
                std::ostream& err) {
  static const option kOptions[] = {
      {"jobs", required_argument, nullptr, kJobs},
      {"rows", required_argument, nullptr, kRows},
      {"summary", required_argument, nullptr, kSummary},
      {"summary-only", no_argument, nullptr, kSummaryOnly},
      {"memory-limit", required_argument, nullptr, kMemoryLimit},
      {"threads", required_argument, nullptr, kThreads},
      {"module", required_argument, nullptr, kModule},
      {"end-with-parent", no_argument, nullptr, kEndWithParent},
      {"rows-asked", no_argument, nullptr, kRowsAsked},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  BatchRequest request;
  request.settings.jobs = 0;
  request.settings.threadsPerPart = 0;
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int id, const std::string& value) {
    return TakeOption(id, value, request, modulePath);
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp;
    return 0;
  }
  if (!read.problem && read.positional.size() != 1) {
    read.problem = ZORUsageProblem("give one MANIFEST.csv");
  }
  if (!read.problem && request.summaryOnly && !request.settings.rows.empty()) {
    read.problem = ZORUsageProblem("--summary-only runs no rows; --rows is for a run");
  }
  if (!read.problem && request.rowsAsked && (request.summaryOnly || !request.settings.rows.empty())) {
    read.problem = ZORUsageProblem("--rows-asked reads the rows to run; it takes neither --rows nor --summary-only");
  }
  if (read.problem) return ZORReport(read.problem, "batch", err);
  if (request.rowsAsked) return AnswerRows(read.positional.front(), request, modulePath, in, out, err);
  return ZORReport(Batch(read.positional.front(), request, modulePath, out, err), "batch", err);
}
