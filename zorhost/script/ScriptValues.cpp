#include "zorhost/script/ScriptValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <regex>

#include "zorhost/common/Text.h"

namespace ZORScriptValues {

namespace {

// An optional '+' is accepted as well as '-'; from_chars itself takes only '-'.
std::string_view WithoutPlus(std::string_view word) {
  if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+') word.remove_prefix(1);
  return word;
}

template <class T, class Reader>
std::optional<std::vector<T>> ReadList(std::string_view word, Reader read) {
  if (word.size() < 2 || word.front() != '[' || word.back() != ']') return std::nullopt;
  std::string_view inside = word.substr(1, word.size() - 2);
  std::vector<T> values;
  if (inside.empty()) return values;
  for (;;) {
    std::size_t comma = inside.find(',');
    std::optional<T> value = read(inside.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string_view::npos) return values;
    inside.remove_prefix(comma + 1);
  }
}

}  // namespace

std::optional<int> ReadInt(std::string_view word) {
  word = WithoutPlus(word);
  int value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
  return value;
}

std::optional<std::uint8_t> ReadBoolean(std::string_view word) {
  std::optional<int> value = ReadInt(word);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::optional<double> ReadDouble(std::string_view word) {
  static const std::regex number(kNumberPattern);
  if (!std::regex_match(word.begin(), word.end(), number)) return std::nullopt;
  word = WithoutPlus(word);
  double value = 0.0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
  return value;
}

std::optional<std::vector<int>> ReadIntList(std::string_view word) {
  return ReadList<int>(word, &ReadInt);
}

std::optional<std::vector<double>> ReadDoubleList(std::string_view word) {
  return ReadList<double>(word, &ReadDouble);
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
