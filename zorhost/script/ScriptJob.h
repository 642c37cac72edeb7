// `zorhost script FILE`: a script of calls against color scales, run line by line.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/common/CommandLine.h"

// Exit statuses: 0 every line ran, 2 a bad line (the runner says which) or usage, 1 a failure.
int ZORScriptJob(ZORJobArguments& arguments, std::string modulePath, std::istream& in,
                 std::ostream& out, std::ostream& err);
