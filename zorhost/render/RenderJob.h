// `zorhost render` on the command line: its options read, the render run, its outcome reported.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/common/CommandLine.h"

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input or usage.
int ZORRenderJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                 std::ostream& err);
