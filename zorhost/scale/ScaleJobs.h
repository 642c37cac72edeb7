// `zorhost scale`: a scale in a settings repository shown, carried to and from other tools'
// files, and the built-in presets listed.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/scale/ScaleFiles.h"

// Loads `scale` from the settings repository `name`; what a scale would read badly in the record
// goes to `warnings`, a line each. False with `error` when there is no such repository, it cannot
// be read, or the loaded scale has no blocks.
bool ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                  std::vector<std::string>& warnings, std::string& error);

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input.
int ZORScaleShow(ZORModuleHost& host, const std::string& name, std::ostream& out,
                 std::ostream& err);
int ZORScaleExport(ZORModuleHost& host, const std::string& name, const std::string& path,
                   std::optional<ZORScaleFormat> format, std::ostream& out, std::ostream& err);
int ZORScaleImport(ZORModuleHost& host, const std::string& path, const std::string& name,
                   std::optional<ZORScaleFormat> format, std::ostream& out, std::ostream& err);
int ZORScalePresets(std::ostream& out);
