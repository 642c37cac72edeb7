// `zorhost scale`: a scale in a settings repository shown, carried to and from other tools'
// files, and the built-in presets listed; and the load of a repository every job uses.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "zorhost/common/CommandLine.h"
#include "zorhost/common/Outcome.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/scale/ScaleFiles.h"

// Loads `scale` from the settings repository `name`; what a scale would read badly in the record
// goes to `warnings`, a line each. A problem when there is no such repository, it cannot be read,
// or the loaded scale has no blocks.
ZOROutcome ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                        std::vector<std::string>& warnings);

// Reads the scale file at `path` (its format told by `format`, or else by its extension) into
// `scale`: a problem naming the file, and the line or member at fault, when it cannot be read.
ZOROutcome ZORImportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format);
// Writes `scale` whole to the file at `path`, named `name` inside it; what the format could not
// keep goes to `losses`, a sentence each.
ZOROutcome ZORExportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, const std::string& name,
                              std::vector<std::string>& losses);
// Exit statuses: 0 done, 1 a failure of the run, 2 bad input or usage.
int ZORScaleJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err);
