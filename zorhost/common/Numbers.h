// Numbers as text, written and read: one home for each form, used by every table, legend,
// summary, page, message, script and file. The editor's page takes its pattern from here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "painter/ZORScalePainter.h"

// A number as a person reads it in a table, a legend, a summary, a probe or the editor: seven
// significant digits, "inf" and "-inf", "nan"; zero without a sign.
std::string ZORShownNumber(double value);
// A quantity shown with a fixed number of decimals: seconds, megabytes.
std::string ZORShownFixed(double value, int decimals);

// A size in bytes as a person reads it: "512 bytes", "64 KiB", "16 MiB" (whole units only).
std::string ZORShownBytes(std::size_t bytes);

// A number as files and scripts hold it: the shortest text that reads back to the same double;
// "inf", "-inf", "nan".
std::string ZORExactNumber(double value);

// A color's four components as a person reads them: "r, g, b, a".
std::string ZORColorText(const ZORRgba& color);

// The form of a number a person or a script writes, as a regular expression (ECMAScript, as C++
// and a browser read it): decimal or exponent form, inf, infinity or nan in any case, a sign
// before any. ZORReadDouble takes exactly these words, less those out of a double's range; the
// editor's page checks what is typed with it.
inline constexpr const char* kZORNumberPattern =
    R"(^[+-]?(?:(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?|[iI][nN][fF](?:[iI][nN][iI][tT][yY])?|[nN][aA][nN])$)";

// Each reader takes one whole word; nothing when the word is not of that form.
std::optional<int> ZORReadInt(std::string_view word);        // decimal, optional sign, 32-bit
std::optional<double> ZORReadDouble(std::string_view word);  // kZORNumberPattern
// A double as from_chars reads one whole word (an optional sign, decimal or exponent form, inf,
// nan), without the pattern's check: for files of millions of numbers.
std::optional<double> ZORReadPlainDouble(std::string_view word);
// `[` entries separated by `,` `]`, no spaces; `[]` is empty.
std::optional<std::vector<int>> ZORReadIntList(std::string_view word);
std::optional<std::vector<double>> ZORReadDoubleList(std::string_view word);
// Entries separated by `,` without brackets, as options give them ("1,2,3").
std::optional<std::vector<double>> ZORReadDoubles(std::string_view text);
std::optional<std::vector<int>> ZORReadInts(std::string_view text);
