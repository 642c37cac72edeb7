#include "zorhost/common/Numbers.h"

#include <cstdio>

#include "zorhost/common/Numbers.h"

namespace ZORScriptValues {

std::optional<std::uint8_t> ReadBoolean(std::string_view word) {
  std::optional<int> value = ZORReadInt(word);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::string Code(std::int32_t result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

std::string IntList(const std::vector<int>& values) {
  std::string text = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(values[i]);
  }
  return text + "]";
}

std::string DoubleList(const std::vector<double>& values) {
  std::string text = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ',';
    text += ZORExactNumber(values[i]);
  }
  return text + "]";
}

}  // namespace ZORScriptValues
