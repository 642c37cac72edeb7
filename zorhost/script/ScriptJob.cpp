#include "zorhost/script/ScriptJob.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "zor/ZORText.h"
#include "zorhost/script/ScriptRunner.h"

namespace {

enum ScriptOption { kModule = 256 };

const char* const kHelp = R"(usage: zorhost script [--module PATH] FILE

Runs FILE (or - for standard input) line by line against color scales made through the module:
one output line per command; a bad line stops the run with "zorhost: FILE:N: <what is wrong>"
and exit status 2. See docs/zorhost-script.md.
)";

// The script's file opened, or why it cannot be.
ZOROutcome OpenScript(const std::string& path, std::ifstream& file) {
  if (ZORIsDirectory(path)) return ZORBadInput(ZORPrintable(path) + ": is a directory");
  file.open(path, std::ios::binary);
  if (!file) return ZORBadInput(ZORPrintable(path) + ": cannot be read: " + std::strerror(errno));
  return std::nullopt;
}

}  // namespace

int ZORScriptJob(ZORJobArguments& arguments, std::string modulePath, std::istream& in,
                 std::ostream& out, std::ostream& err) {
  static const option kOptions[] = {{"module", required_argument, nullptr, kModule},
                                    {"help", no_argument, nullptr, 'h'},
                                    {nullptr, 0, nullptr, 0}};
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int, const std::string& value) {
    modulePath = value;  // --module, the one option besides --help
    return ZORCheckNotEmpty("--module", value);
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp;
    return 0;
  }
  if (!read.problem && read.positional.empty()) {
    read.problem = ZORUsageProblem("a FILE is needed (or - for standard input)");
  }
  if (!read.problem && read.positional.size() > 1) {
    read.problem = ZORUsageProblem("unexpected argument " + ZORShown(read.positional[1]));
  }
  if (!read.problem && read.positional.front().empty()) {
    read.problem = ZORUsageProblem("the FILE's name may not be empty");
  }
  if (read.problem) return ZORReport(read.problem, "script", err);
  const std::string& path = read.positional.front();
  std::ifstream file;
  if (path != "-") {
    if (ZOROutcome problem = OpenScript(path, file)) return ZORReport(problem, "script", err);
  }
  std::unique_ptr<ZORModuleHost> host;
  if (ZOROutcome problem = ZORModuleHost::Find(modulePath, host)) return ZORReport(problem, "", err);
  // The runner reports a bad line itself, in the form scripts are written against.
  ZORScriptRunner runner(*host, out, err);
  return path == "-" ? runner.Run(in, "<stdin>") : runner.Run(file, path);
}
