// The stages of a job timed, each told on a terminal as it starts, and the whole with its peak
// memory for --timings and the editor's status.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

class ZORStages {
 public:
  // Tells each stage on `err` as it starts when `progress`; `job` names the job there.
  ZORStages(bool progress, std::string job, std::ostream& err);
  // Times the stages, telling none.
  ZORStages() = default;
  ~ZORStages();
  // Ends the stage before, if any, and starts `stage` ("reading", "painting").
  void Begin(const char* stage);
  void End();
  // How far the stage is, told on a terminal when its percentage changes.
  void Progress(std::size_t done, std::size_t of);
  // "reading 0.41 s, analysis 0.37 s, ...; peak memory 131 MB".
  std::string Timings() const;
  // The stages ended, with their seconds.
  const std::vector<std::pair<std::string, double>>& Seconds() const { return seconds_; }

  // The most memory the process has held resident, in megabytes.
  static double PeakMegabytes();

 private:
  using Clock = std::chrono::steady_clock;
  bool progress_ = false;
  std::string job_;
  std::ostream* err_ = nullptr;
  std::string current_;
  int percentShown_ = -1;
  Clock::time_point started_;
  std::vector<std::pair<std::string, double>> seconds_;
};
