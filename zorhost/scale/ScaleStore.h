// Where scales are kept: settings repositories, other tools' scale files, and the tables those
// files hold.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/scalefiles/ScaleFiles.h"

class ZORScaleSnapshot;

// The format of the scale file at `path`: `format` when given, else told by its extension; a
// problem when it is neither.
ZOROutcome ZORScaleFormatFor(const std::string& path, std::optional<ZORScaleFormat>& format);

// Loads `scale` from the settings repository `name`; what a scale would read badly in the record
// goes to `warnings`, a line each. A problem when there is no such repository, it cannot be read,
// or the loaded scale has no blocks.
// `relative`, when given, receives the fractions a relative scale's boundaries stand at (empty for
// an absolute scale).
ZOROutcome ZORLoadScale(ZORIStNewColorScale* scale, const std::string& name,
                        std::vector<std::string>& warnings, std::vector<double>* relative = nullptr);
// Saves `scale` to the settings repository `name`, with the fractions of a relative scale.
ZOROutcome ZORSaveScale(ZORIStNewColorScale* scale, const std::string& name, const std::vector<double>& relative);
// The fractions of the range at which a table's boundaries stand: empty unless it is relative.
std::vector<double> ZORRelativeFractions(const ZORScaleTable& table);

// Reads the scale file at `path` (its format told by `format`, or else by its extension) into
// `scale`: a problem naming the file, and the line or member at fault, when it cannot be read.
// `read` says which of a JSON file's color maps, and receives what the file held that the scale
// does not keep.
// `relative` receives the fractions of a relative file (ZORRelativeFractions).
ZOROutcome ZORImportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, ZORScaleFileRead& read,
                              std::vector<double>& relative);
// Writes `scale` whole to the file at `path`, named `name` inside it; what the format could not
// keep goes to `losses`, a sentence each.
ZOROutcome ZORExportScaleFile(ZORIStNewColorScale* scale, const std::string& path,
                              std::optional<ZORScaleFormat> format, const std::string& name,
                              std::vector<std::string>& losses);

// The scale's color table, value table and undefined color, as its snapshot holds them.
ZORScaleTable ZORScaleTableOf(const ZORScaleSnapshot& snapshot);
// The same of a scale read now.
ZORScaleTable ZORReadScaleTable(ZORIStNewColorScale* scale);
// Makes `scale` the table: its block count, imposed colors and imposed boundaries, and the
// undefined color when the table has one. A failure when the scale refuses any of it.
ZOROutcome ZORWriteScaleTable(ZORIStNewColorScale* scale, const ZORScaleTable& table);
