#include "zorhost/picture/Stages.h"

#include <fstream>
#include <ostream>

#include "zorhost/common/Numbers.h"

ZORStages::ZORStages(bool progress, std::string job, std::ostream& err)
    : progress_(progress), job_(std::move(job)), err_(&err) {}

ZORStages::~ZORStages() { End(); }

void ZORStages::Begin(const char* stage) {
  End();
  current_ = stage;
  percentShown_ = -1;
  started_ = Clock::now();
  if (progress_) *err_ << "\rzorhost " << job_ << ": " << stage << "...\033[K" << std::flush;
}

void ZORStages::End() {
  if (current_.empty()) return;
  seconds_.emplace_back(current_, std::chrono::duration<double>(Clock::now() - started_).count());
  current_.clear();
  if (progress_) *err_ << "\r\033[K" << std::flush;
}

void ZORStages::Progress(std::size_t done, std::size_t of) {
  if (!progress_ || of == 0) return;
  const int percent = static_cast<int>(done * 100 / of);
  if (percent == percentShown_) return;
  percentShown_ = percent;
  *err_ << "\rzorhost " << job_ << ": " << current_ << " " << percent << "%\033[K" << std::flush;
}

std::string ZORStages::Timings() const {
  std::string text;
  double total = 0.0;
  for (const auto& [stage, seconds] : seconds_) {
    text += (text.empty() ? "" : ", ") + stage + " " + ZORShownFixed(seconds, 3) + " s";
    total += seconds;
  }
  return text + "; " + ZORShownFixed(total, 3) + " s in all, peak memory " + ZORShownFixed(PeakMegabytes(), 0) + " MB";
}

double ZORStages::PeakMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0.0;
}
