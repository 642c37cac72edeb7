// The value forms of zorhost scripts that are not plain numbers (common/Numbers reads and writes
// those): booleans, result codes and lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ZORScriptValues {

// Each reader takes one whole word; nullopt when the word is not of that form.
std::optional<std::uint8_t> ReadBoolean(std::string_view word);  // decimal 0 to 255

std::string Code(std::int32_t result);  // 0x and eight upper-case hex digits
std::string IntList(const std::vector<int>& values);
std::string DoubleList(const std::vector<double>& values);

}  // namespace ZORScriptValues
