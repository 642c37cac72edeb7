#include "zorhost/batch/BatchRunner.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <ostream>

#include "zorhost/batch/BatchRecord.h"
#include "zorhost/batch/BatchSummary.h"
#include "zorhost/common/CommandLine.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/render/RenderJob.h"

namespace {

using Clock = std::chrono::steady_clock;

// A row's part being rendered.
struct RunningRow {
  const ZORBatchRow* row;
  ZORRowFiles files;
  ZORRowDigests digests;
  Clock::time_point started;
};

// A file descriptor closed when it goes.
class OwnedDescriptor {
 public:
  explicit OwnedDescriptor(int descriptor) : descriptor_(descriptor) {}
  OwnedDescriptor(const OwnedDescriptor&) = delete;
  OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
  ~OwnedDescriptor() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

std::string CommandText(const std::vector<std::string>& command) {
  std::string text;
  for (const std::string& word : command) {
    const bool plain = !word.empty() && word.find_first_of(" \t'\"\\$") == std::string::npos;
    text += (text.empty() ? "" : " ") + (plain ? word : ZORShown(word));
  }
  return text;
}

// Renders the part of `command` (this zorhost's words for it) in a process of its own, started in
// `folder` with its output into `log`. The batch runs no thread of its own, so the child goes on as
// a whole process and renders with the program already loaded: it spares each part the start of
// a new zorhost (tens of milliseconds of linking and setting up its libraries).
ZOROutcome StartProcess(const std::vector<std::string>& command, const std::string& folder, int log,
                        std::uint64_t memoryLimit, pid_t& pid) {
  std::cout.flush();
  std::cerr.flush();
  const pid_t batch = getpid();
  pid = fork();
  if (pid < 0) return ZORFailure(std::string("a process for a part could not be started: ") + std::strerror(errno));
  if (pid != 0) return std::nullopt;
  // A part whose batch is gone has no one to record it: it ends with the batch.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != batch) _exit(127);
  const int nothing = open("/dev/null", O_RDONLY);
  if (nothing < 0 || dup2(nothing, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0 ||
      (!folder.empty() && chdir(folder.c_str()) != 0)) {
    _exit(127);
  }
  if (memoryLimit > 0) {
    const rlimit limit{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
    setrlimit(RLIMIT_AS, &limit);
  }
  // The words after the program and its --module are the job's.
  ZORJobArguments job(std::vector<std::string>(command.begin() + 2, command.end()));
  const int status = ZORRenderJob(job, command[1].substr(std::strlen("--module=")), std::cout, std::cerr);
  std::exit(status);  // as zorhost ends: its output flushed, its coverage and leak checks run
}

// The last problem zorhost told in a part's log, else its last line and how its process ended.
std::string WhyFailed(const std::string& logPath, int status) {
  std::ifstream log(logPath);
  std::string line, told, last;
  std::getline(log, line);  // the batch's own header
  while (std::getline(log, line)) {
    if (line.empty()) continue;
    last = line;
    if (line.rfind("zorhost ", 0) == 0 && line.find(": ") != std::string::npos) told = line.substr(line.find(": ") + 2);
  }
  if (!told.empty()) return told;
  std::string ended;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    ended = std::string("stopped by ") + (sigabbrev_np(signal) ? std::string("SIG") + sigabbrev_np(signal) : "a signal") +
            (signal == SIGKILL || signal == SIGSEGV ? " (past the memory limit?)" : "");
  } else {
    ended = "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }
  return last.empty() ? ended : last + " (" + ended + ")";
}

class BatchRun {
 public:
  BatchRun(const ZORBatchManifest& manifest, const ZORBatchSettings& settings, std::ostream& progress,
           ZORBatchTally& tally)
      : manifest_(manifest), settings_(settings), progress_(progress), tally_(tally) {}

  ZOROutcome Run() {
    std::vector<const ZORBatchRow*> rows = Selected();
    total_ = rows.size();
    for (const ZORBatchRow* row : rows) {
      while (running_.size() >= static_cast<std::size_t>(std::max(settings_.jobs, 1))) {
        if (ZOROutcome problem = AwaitOne()) return problem;
      }
      if (ZOROutcome problem = Start(*row)) {
        while (!running_.empty()) AwaitOne();
        return problem;
      }
    }
    while (!running_.empty()) {
      if (ZOROutcome problem = AwaitOne()) return problem;
    }
    return std::nullopt;
  }

 private:
  std::vector<const ZORBatchRow*> Selected() const {
    std::vector<const ZORBatchRow*> rows;
    for (const ZORBatchRow& row : manifest_.rows) {
      if (settings_.rows.empty() ||
          std::find(settings_.rows.begin(), settings_.rows.end(), row.number) != settings_.rows.end()) {
        rows.push_back(&row);
      }
    }
    return rows;
  }

  ZOROutcome Start(const ZORBatchRow& row) {
    RunningRow run{&row, ZORRowFilesOf(manifest_.folder, row), ZORDigestRowInputs(manifest_, row), Clock::now()};
    if (ZORRowIsCurrent(run.files, row, run.digests)) {
      ++tally_.unchanged;
      Tell(row, "unchanged, kept");
      return std::nullopt;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(run.files.log).parent_path(), error);
    const OwnedDescriptor log(open(run.files.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (log.get() < 0) {
      return ZORFailure(run.files.log + ": the part's log could not be written: " + std::strerror(errno));
    }
    const std::vector<std::string> command = ZORRowCommand(row, settings_);
    const std::string header = "zorhost batch: row " + std::to_string(row.number) + " in " +
                               (manifest_.folder.empty() ? "." : manifest_.folder) + ": " + CommandText(command) + "\n";
    if (write(log.get(), header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
      return ZORFailure(run.files.log + ": the part's log could not be written");
    }
    pid_t pid = 0;
    if (ZOROutcome problem = StartProcess(command, manifest_.folder, log.get(), settings_.memoryLimit, pid)) {
      return problem;
    }
    running_.emplace(pid, std::move(run));
    return std::nullopt;
  }

  ZOROutcome AwaitOne() {
    int status = 0;
    pid_t pid;
    do {
      pid = waitpid(-1, &status, 0);
    } while (pid < 0 && errno == EINTR);
    const auto ended = running_.find(pid);
    if (ended == running_.end()) return ZORFailure("a part's process was lost");
    const RunningRow run = std::move(ended->second);
    running_.erase(ended);
    const double seconds = std::chrono::duration<double>(Clock::now() - run.started).count();
    ZORRowRecord record{*run.row, run.digests, WIFEXITED(status) && WEXITSTATUS(status) == 0, {}};
    if (record.done) {
      ++tally_.done;
      const std::string verdict = ZORRowVerdict(run.files.statistics);
      Tell(*run.row, "done" + (verdict.empty() ? "" : ", " + verdict) + ", " + ZORShownFixed(seconds, 1) + " s");
    } else {
      record.error = WhyFailed(run.files.log, status);
      tally_.failed.push_back(run.row->number);
      Tell(*run.row, "failed: " + record.error + " (" + run.files.log + ")");
    }
    return ZORWriteRowRecord(run.files.record, record);
  }

  void Tell(const ZORBatchRow& row, const std::string& end) {
    ++told_;
    progress_ << '[' << told_ << '/' << total_ << "] row " << row.number << ' ' << row.part << ": " << end
              << std::endl;
  }

  const ZORBatchManifest& manifest_;
  const ZORBatchSettings& settings_;
  std::ostream& progress_;
  ZORBatchTally& tally_;
  std::map<pid_t, RunningRow> running_;
  std::size_t total_ = 0;
  std::size_t told_ = 0;
};

}  // namespace

std::vector<std::string> ZORRowCommand(const ZORBatchRow& row, const ZORBatchSettings& settings) {
  // Paths in the --name=value form, so that one starting with "-" is not taken for an option.
  const ZORRowFiles files = ZORRowFilesOf("", row);
  std::vector<std::string> command = {settings.executable, "--module=" + settings.modulePath, "render",
                                      "--out=" + row.out, "--stats-out=" + files.statistics,
                                      "--threads=" + std::to_string(settings.threadsPerPart)};
  if (!row.analysis.empty()) command.push_back("--analysis=" + row.analysis);
  if (!row.reference.empty()) command.push_back("--reference=" + row.reference);
  std::vector<std::string> options;
  ZORSplitOptions(row.options, options);  // checked when the manifest was read
  command.insert(command.end(), options.begin(), options.end());
  command.insert(command.end(), {"--", row.part});
  return command;
}

ZOROutcome ZORRunBatch(const ZORBatchManifest& manifest, const ZORBatchSettings& settings, std::ostream& progress,
                       ZORBatchTally& tally) {
  return BatchRun(manifest, settings, progress, tally).Run();
}
