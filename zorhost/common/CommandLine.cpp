#include "zorhost/common/CommandLine.h"

#include <sys/stat.h>

#include "zor/ZORText.h"

ZORJobArguments::ZORJobArguments(std::vector<std::string> arguments) : texts_(std::move(arguments)) {
  for (std::string& text : texts_) pointers_.push_back(text.data());
  pointers_.push_back(nullptr);
}

std::string ZORShown(const std::string& text) { return "'" + ZORPrintable(text) + "'"; }

ZORCommandLine ZORReadCommandLine(ZORJobArguments& arguments, std::span<const option> options,
                                  const ZOROptionTaker& take) {
  ZORCommandLine read;
  optind = 0;  // a fresh scan
  opterr = 0;
  for (;;) {
    const int id = getopt_long(arguments.Count(), arguments.Pointers(), ":h", options.data(), nullptr);
    if (id == -1) break;
    const std::string given = arguments.Pointers()[optind - 1];
    if (id == '?') {
      read.problem = ZORUsageProblem(
          "unknown option " + ZORShown(optopt != 0 ? std::string("-") + static_cast<char>(optopt) : given));
      return read;
    }
    if (id == ':') {
      read.problem = ZORUsageProblem(ZORShown(given) + " needs a value");
      return read;
    }
    if (id == 'h') {
      read.helpAsked = true;
      continue;
    }
    // A value an option refuses is a misuse of the command line, whatever else reads it.
    if (ZOROutcome problem = take(id, optarg != nullptr ? std::string(optarg) : std::string())) {
      read.problem = ZORUsageProblem(std::move(problem->message));
      return read;
    }
  }
  // getopt_long moved the arguments that are not options to the end, in their order.
  for (int i = optind; i < arguments.Count(); ++i) read.positional.emplace_back(arguments.Pointers()[i]);
  return read;
}

ZOROutcome ZORCheckNotEmpty(const char* option, const std::string& value) {
  if (!value.empty()) return std::nullopt;
  return ZORUsageProblem(std::string(option) + " needs a value that is not empty");
}

bool ZORIsDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
