// Names a user may choose among: a table of them and the values they stand for, and the list of
// them as a message gives it, "a, b or c".
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline std::string ZORChoices(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

// A name a user gives and the value it stands for.
template <class Value>
struct ZORNamed {
  const char* name;
  Value value;
};

// The value `name` stands for in `table`, if it names one.
template <class Value>
std::optional<Value> ZORValueNamed(std::span<const ZORNamed<Value>> table, std::string_view name) {
  for (const ZORNamed<Value>& row : table) {
    if (name == row.name) return row.value;
  }
  return std::nullopt;
}

// The name of `value` in `table`; empty when it has none.
template <class Value>
const char* ZORNameOf(std::span<const ZORNamed<Value>> table, Value value) {
  for (const ZORNamed<Value>& row : table) {
    if (row.value == value) return row.name;
  }
  return "";
}

// Every name of `table`, in its order.
template <class Value>
std::vector<std::string> ZORNamesOf(std::span<const ZORNamed<Value>> table) {
  std::vector<std::string> names;
  for (const ZORNamed<Value>& row : table) names.emplace_back(row.name);
  return names;
}
