// The text form of a settings repository: one key a line with its type and values.
#include <charconv>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "SettingsInternal.h"
#include "zor/ZORSettingRepository.h"

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

std::string Quoted(std::string_view word) {
  std::string text(word.substr(0, 40));
  if (word.size() > 40) text += "...";
  return "'" + ZORPrintable(text) + "'";
}

}  // namespace

std::string ZORPrintable(std::string_view text) {
  std::string printable;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      printable += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      printable += escaped;
    }
  }
  return printable;
}

std::string ZORSettings::CheckKey(std::string_view key) {
  if (key.empty()) return "the key is empty";
  if (key.size() > kMaximumKeyLength) return "the key is longer than 256 characters";
  if (key.front() == '#') return "the key starts with '#'";
  for (unsigned char c : key) {
    if (c <= 0x20 || c >= 0x7f) return "the key holds a space or a character that is not printable";
  }
  return {};
}

std::string ZORFormatDouble(double value) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string("nan");
}

std::string ZORFormatSettings(const std::vector<ZORSettingEntry>& entries) {
  std::string text(ZORSettings::kHeader);
  text += '\n';
  for (const ZORSettingEntry& entry : entries) text += ZORSettings::FormatLine(entry);
  return text;
}

std::string ZORSettings::FormatLine(const ZORSettingEntry& entry) {
  std::string line = entry.key + (entry.isDouble ? " double" : " int");
  if (entry.isDouble) {
    for (double value : entry.doubles) line += " " + ZORFormatDouble(value);
  } else {
    for (int value : entry.integers) line += " " + std::to_string(value);
  }
  return line + "\n";
}

bool ZORParseSettings(const std::string& text, std::vector<ZORSettingEntry>& entries, int& line,
                      std::string& problem, std::vector<int>* lines) {
  entries.clear();
  if (lines != nullptr) lines->clear();
  line = 0;
  std::unordered_set<std::string> keys;
  std::string_view rest(text);
  while (!rest.empty()) {
    ++line;
    std::size_t newline = rest.find('\n');
    std::string_view current = rest.substr(0, newline);
    rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
    if (current.find('\0') != std::string_view::npos) {
      problem = "the line holds a NUL byte";
      return false;
    }
    std::vector<std::string_view> words = Words(current);
    if (words.empty() || words.front().front() == '#') continue;
    ZORSettingEntry entry;
    entry.key = std::string(words[0]);
    if (std::string why = ZORSettings::CheckKey(words[0]); !why.empty()) {
      problem = why;
      return false;
    }
    if (words.size() < 2 || (words[1] != "int" && words[1] != "double")) {
      problem = "the key " + Quoted(words[0]) + " needs a type, int or double";
      return false;
    }
    if (!keys.insert(entry.key).second) {
      problem = "the key " + Quoted(words[0]) + " appears twice";
      return false;
    }
    entry.isDouble = words[1] == "double";
    for (std::size_t w = 2; w < words.size(); ++w) {
      std::string_view word = words[w];
      const char* end = word.data() + word.size();
      std::from_chars_result read{};
      if (entry.isDouble) {
        double value = 0.0;
        read = std::from_chars(word.data(), end, value);
        entry.doubles.push_back(value);
      } else {
        int value = 0;
        read = std::from_chars(word.data(), end, value);
        entry.integers.push_back(value);
      }
      if (read.ec == std::errc::result_out_of_range) {
        problem = "the value " + Quoted(word) + " is out of range for " + std::string(words[1]);
        return false;
      }
      if (read.ec != std::errc() || read.ptr != end) {
        problem = "the value " + Quoted(word) + " is not " +
                  (entry.isDouble ? "a number" : "an integer");
        return false;
      }
    }
    entries.push_back(std::move(entry));
    if (lines != nullptr) lines->push_back(line);
  }
  return true;
}

std::string ZORRepositoryNameRule() {
  return "letters, digits, '.', '-' and '_', not starting with '.', at most " +
         std::to_string(kZORLongestRepositoryName) + " characters";
}

std::string ZORCheckRepositoryName(const std::string& name) {
  if (name.empty()) return "the name is empty";
  if (name.size() > kZORLongestRepositoryName) {
    return "the name is longer than " + std::to_string(kZORLongestRepositoryName) + " characters";
  }
  if (name.front() == '.') return "the name starts with '.'";
  for (unsigned char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) {
      return "the name holds '" + ZORPrintable(std::string(1, static_cast<char>(c))) +
             "': only letters, digits, '.', '-' and '_' are allowed";
    }
  }
  return {};
}
