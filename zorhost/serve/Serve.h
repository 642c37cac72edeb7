// `zorhost serve`: a scale editor in the browser, served until interrupted.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/common/CommandLine.h"

// Reads the job's options, prints the address to open on `out`, a line, then serves until SIGINT
// or SIGTERM. Exit statuses: 0 ended by a signal, 1 a failure, 2 bad input or usage.
int ZORServeJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err);
