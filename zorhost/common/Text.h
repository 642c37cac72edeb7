// The text of numbers and colors: one home for each form, used by every table, legend, summary,
// page, message and file.
#pragma once

#include <string>

#include "painter/ZORScalePainter.h"

// A number as a person reads it in a table, a legend, a summary or the editor: seven significant
// digits, "inf" and "-inf", "nan"; zero without a sign.
std::string ZORShownNumber(double value);

// A number as files and scripts hold it: the shortest text that reads back to the same double;
// "inf", "-inf", "nan".
std::string ZORExactNumber(double value);

// A color's four components as a person reads them: "r, g, b, a".
std::string ZORColorText(const ZORRgba& color);
