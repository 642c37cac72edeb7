// `zorhost scale`: a scale in a settings repository shown, carried to and from other tools'
// files, and the built-in presets listed; and the load of a repository every job uses.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "zorhost/common/CommandLine.h"
#include "zorhost/common/Outcome.h"
#include "zor/ZORColorScaleInterfaces.h"

// Loads `scale` from the settings repository `name`; what a scale would read badly in the record
// goes to `warnings`, a line each. A problem when there is no such repository, it cannot be read,
// or the loaded scale has no blocks.
ZOROutcome ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                        std::vector<std::string>& warnings);

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input or usage.
int ZORScaleJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err);
