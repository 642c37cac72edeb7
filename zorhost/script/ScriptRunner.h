// `zorhost script`: runs a script of calls against color scales made through the loaded module,
// one output line per command.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <string_view>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/script/ScriptCommands.h"

class ZORScriptRunner {
 public:
  // Exit statuses of a run.
  static constexpr int kEveryLineRan = 0;
  static constexpr int kBadLine = 2;
  static constexpr int kOutputTooLarge = 3;
  // The largest array the runner hands to GetScaleDefinition or a legacy scale.
  static constexpr int kMaximumArrayCount = 1 << 20;

  ZORScriptRunner(ZORModuleHost& host, std::ostream& out, std::ostream& err);
  ~ZORScriptRunner();

  // Runs the script top to bottom. At the first bad line: "zorhost: NAME:N: <what is wrong>" on
  // `err` (NAME the script's, <stdin> for standard input), nothing called for that line, and
  // kBadLine. At the first line whose output would take the output past the limit set by
  // LimitOutput: the same message, nothing of that line's output written, and kOutputTooLarge.
  int Run(std::istream& script, std::string_view name);
  // The most bytes a run may write on `out`; none by default.
  void LimitOutput(std::size_t bytes) { outputLimit_ = bytes; }
  // Commands run so far, each of which printed one line.
  long CommandsRun() const { return commandsRun_; }
  // Releases this run's scales, as at the end of a run: the next run starts with none.
  void Reset();
  // Makes `scale` the run's newest and current scale, as if the run had made it.
  void Adopt(ZORIStNewColorScale_var scale) { context_.Add(std::move(scale)); }

 private:
  // Reads the line against its command's schema, then makes the call and prints its line.
  void RunLine(std::string_view command, ZORScriptArguments& arguments);

  ZORScriptContext context_;
  std::ostream& out_;
  std::ostream& err_;
  std::map<std::string, ZORScriptCommand, std::less<>> commands_;
  long commandsRun_ = 0;
  std::size_t outputLimit_ = static_cast<std::size_t>(-1);
  std::size_t outputWritten_ = 0;
};

// What a run whose output passed its limit says of the line that would have passed it.
struct ZORScriptOutputTooLarge {
  std::size_t limit;
};
