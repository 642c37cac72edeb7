// What every job does with its command line: options read with getopt_long, each job's own
// table and help, names shown safely in messages.
#pragma once

#include <getopt.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "zorhost/common/Outcome.h"

// A job's arguments as getopt_long takes them: the job's name first.
class ZORJobArguments {
 public:
  explicit ZORJobArguments(std::vector<std::string> arguments);
  const std::string& Job() const { return texts_.front(); }
  int Count() const { return static_cast<int>(texts_.size()); }
  char** Pointers() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

// A value the user gave, quoted and made safe to show.
std::string ZORShown(const std::string& text);

// Takes one option: its id (getopt's `val`) and its value (empty for a flag); a problem when the
// value is wrong, which the command line reports as a usage problem.
using ZOROptionTaker = std::function<ZOROutcome(int id, const std::string& value)>;

// What reading a job's command line gave: the arguments that are not options, whether help was
// asked for, or a usage problem.
struct ZORCommandLine {
  std::vector<std::string> positional;
  bool helpAsked = false;
  ZOROutcome problem;
};

// Reads the options of `arguments` with getopt_long against `options` (ended by a zero row; -h
// and --help are taken for help), calling `take` for each of the others.
ZORCommandLine ZORReadCommandLine(ZORJobArguments& arguments, std::span<const option> options,
                                  const ZOROptionTaker& take);

// A usage problem when a value the user must give is empty.
ZOROutcome ZORCheckNotEmpty(const char* option, const std::string& value);

bool ZORIsDirectory(const std::string& path);
