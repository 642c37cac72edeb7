// The value forms of zorhost scripts: reading words and writing values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ZORScriptValues {

// The form of a double, as a regular expression (ECMAScript, as C++ and a browser read it): decimal
// or exponent form, inf, infinity or nan in any case, a sign before any. ReadDouble takes exactly
// these words, less those out of a double's range; the editor's page checks what is typed with it.
inline constexpr const char* kNumberPattern =
    R"(^[+-]?(?:(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?|[iI][nN][fF](?:[iI][nN][iI][tT][yY])?|[nN][aA][nN])$)";

// Each reader takes one whole word; nullopt when the word is not of that form.
std::optional<int> ReadInt(std::string_view word);           // decimal, optional sign, 32-bit
std::optional<std::uint8_t> ReadBoolean(std::string_view word);  // decimal 0 to 255
std::optional<double> ReadDouble(std::string_view word);     // kNumberPattern
// `[` entries separated by `,` `]`, no spaces; `[]` is empty.
std::optional<std::vector<int>> ReadIntList(std::string_view word);
std::optional<std::vector<double>> ReadDoubleList(std::string_view word);

std::string Code(std::int32_t result);  // 0x and eight upper-case hex digits
std::string IntList(const std::vector<int>& values);
std::string DoubleList(const std::vector<double>& values);

}  // namespace ZORScriptValues
