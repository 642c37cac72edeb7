#include "zorhost/common/Numbers.h"

#include <charconv>
#include <cmath>
#include <regex>

#include "zor/ZORSettingRepository.h"

namespace {

// Up to `significant` digits in the shortest of fixed and exponent form, as printf's %g.
std::string General(double value, int significant) {
  char text[40];
  const std::to_chars_result written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, significant);
  return std::string(text, written.ptr);
}

// An optional '+' is accepted as well as '-'; from_chars itself takes only '-'.
std::string_view WithoutPlus(std::string_view word) {
  if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+') word.remove_prefix(1);
  return word;
}

// The whole word as from_chars reads a T, an optional '+' too.
template <class T>
std::optional<T> ReadWhole(std::string_view word) {
  word = WithoutPlus(word);
  T value{};
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
  return value;
}

template <class T, class Reader>
std::optional<std::vector<T>> ReadSeparated(std::string_view inside, Reader read) {
  std::vector<T> values;
  for (;;) {
    const std::size_t comma = inside.find(',');
    const std::optional<T> value = read(inside.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string_view::npos) return values;
    inside.remove_prefix(comma + 1);
  }
}

template <class T, class Reader>
std::optional<std::vector<T>> ReadList(std::string_view word, Reader read) {
  if (word.size() < 2 || word.front() != '[' || word.back() != ']') return std::nullopt;
  const std::string_view inside = word.substr(1, word.size() - 2);
  if (inside.empty()) return std::vector<T>{};
  return ReadSeparated<T>(inside, read);
}

}  // namespace

std::string ZORShownNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (value == 0.0) return "0";  // -0 too: its sign tells a reader nothing
  if (std::isinf(value)) return value > 0.0 ? "inf" : "-inf";
  return General(value, 7);
}

std::string ZORShownFixed(double value, int decimals) {
  char text[400];
  const std::to_chars_result written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return written.ec == std::errc() ? std::string(text, written.ptr) : ZORShownNumber(value);
}

std::string ZORShownBytes(std::size_t bytes) {
  constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB"};
  std::size_t unit = 0;
  while (unit + 1 < std::size(kUnits) && bytes >= 1024 && bytes % 1024 == 0) {
    bytes /= 1024;
    ++unit;
  }
  return std::to_string(bytes) + " " + kUnits[unit];
}

std::string ZORExactNumber(double value) {
  if (std::isnan(value)) return "nan";
  return ZORFormatDouble(value);
}

std::string ZORColorText(const ZORRgba& c) {
  return std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) +
         ", " + std::to_string(c.alpha);
}

std::optional<int> ZORReadInt(std::string_view word) { return ReadWhole<int>(word); }

std::optional<double> ZORReadDouble(std::string_view word) {
  static const std::regex number(kZORNumberPattern);
  if (!std::regex_match(word.begin(), word.end(), number)) return std::nullopt;
  return ReadWhole<double>(word);
}

std::optional<double> ZORReadPlainDouble(std::string_view word) { return ReadWhole<double>(word); }

std::optional<std::vector<int>> ZORReadIntList(std::string_view word) { return ReadList<int>(word, &ZORReadInt); }

std::optional<std::vector<double>> ZORReadDoubleList(std::string_view word) {
  return ReadList<double>(word, &ZORReadDouble);
}

std::optional<std::vector<double>> ZORReadDoubles(std::string_view text) {
  return ReadSeparated<double>(text, &ZORReadDouble);
}

std::optional<std::vector<int>> ZORReadInts(std::string_view text) { return ReadSeparated<int>(text, &ZORReadInt); }
