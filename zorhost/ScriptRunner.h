// `zorhost script`: runs a script of calls against color scales made through the loaded module,
// one output line per command.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "zorhost/ModuleHost.h"

class ZORScriptRunner {
 public:
  // Exit statuses of a run.
  static constexpr int kEveryLineRan = 0;
  static constexpr int kBadLine = 2;
  // A longer line is refused rather than read.
  static constexpr std::size_t kMaximumLineLength = 16u << 20;
  // The largest array the runner hands to GetScaleDefinition.
  static constexpr int kMaximumArrayCount = 1 << 20;

  ZORScriptRunner(ZORModuleHost& host, std::ostream& out, std::ostream& err);
  ~ZORScriptRunner();

  // Runs the script top to bottom. At the first bad line: "zorhost: line N: <what is wrong>" on
  // `err`, nothing called for that line, and kBadLine.
  int Run(std::istream& script);
  // Commands run so far, each of which printed one line.
  long CommandsRun() const { return commandsRun_; }
  // Releases this run's scales, as at the end of a run: the next run starts with none.
  void Reset();

  class Arguments;

 private:
  using Handler = std::function<void(Arguments&)>;

  void RunLine(std::string_view command, Arguments& arguments);
  ZORIStNewColorScale* Scale(const Arguments& arguments);
  void Print(const std::string& line);
  void DefineOperations();
  void DefineHostCommands();

  ZORModuleHost& host_;
  std::ostream& out_;
  std::ostream& err_;
  std::map<std::string, Handler, std::less<>> commands_;
  std::vector<ZORIStNewColorScale_var> scales_;
  std::size_t current_ = 0;  // 1-based; 0: no scale yet
  long commandsRun_ = 0;
};
