// A color scale's settings record checked the way the scale reads it: what a load would ignore
// or fill in, so that a person learns of it instead of seeing an empty or odd scale.
#pragma once

#include <string>
#include <vector>

#include "zor/ZORSettingRepository.h"

// zorhost's own key of a record, beside the scale's: the fractions of the range at which a
// relative scale's boundaries stand (ZORScaleTable::relative), the first 0 and the last 1.
inline constexpr const char* kZORRelativeBoundariesKey = "ZorhostRelativeBoundaries";

// One line each, "FILE:LINE: what" ("FILE: what" for a key that is missing); none for a record a
// save wrote. `lines` gives each entry's line in `path`.
std::vector<std::string> ZORCheckScaleRecord(const std::string& path,
                                             const std::vector<ZORSettingEntry>& entries,
                                             const std::vector<int>& lines);
