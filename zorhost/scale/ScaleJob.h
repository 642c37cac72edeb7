// `zorhost scale`: a scale in a settings repository shown, carried to and from other tools'
// files, and the built-in presets listed.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "zorhost/common/CommandLine.h"
#include "zorhost/common/Outcome.h"
#include "zor/ZORColorScaleInterfaces.h"

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input or usage.
int ZORScaleJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err);
