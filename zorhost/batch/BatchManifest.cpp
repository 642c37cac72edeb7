#include "zorhost/batch/BatchManifest.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <string_view>

#include "zorhost/common/CommandLine.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Limits.h"

namespace {

constexpr std::array<const char*, 5> kColumns = {"part", "reference", "analysis", "options", "out"};

// The options a row's columns and the batch give each part, which its options may not give again.
constexpr std::array<const char*, 7> kTakenOptions = {"--out",      "--stats-out", "--module", "--analysis",
                                                      "--reference", "--help",      "-h"};

// One CSV record starting at `at`: fields separated by commas, a field quoted with " may hold
// commas, line breaks and "" for a quote. `at` is left past the record's line break.
ZOROutcome ReadRecord(const std::string& text, std::size_t& at, int& line, std::vector<std::string>& fields) {
  fields.assign(1, {});
  bool quoted = false;
  const int firstLine = line;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (quoted) {
      if (c == '"' && at + 1 < text.size() && text[at + 1] == '"') {
        fields.back() += '"';
        ++at;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        fields.back() += c;
      }
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\n') {
      ++at;
      ++line;
      break;
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  if (quoted) return ZORBadInput("line " + std::to_string(firstLine) + ": a quoted field is not closed");
  return std::nullopt;
}

bool IsBlank(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(),
                     [](const std::string& field) { return field.find_first_not_of(" \t") == std::string::npos; });
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Where each column stands in the header's fields.
ZOROutcome ReadHeader(const std::vector<std::string>& fields, std::map<std::string, std::size_t>& places) {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const std::string name = Trimmed(fields[k]);
    if (std::find_if(kColumns.begin(), kColumns.end(), [&](const char* column) { return name == column; }) ==
        kColumns.end()) {
      return ZORBadInput("line 1: unknown column " + ZORShown(name) +
                         "; the columns are part, reference, analysis, options and out");
    }
    if (!places.emplace(name, k).second) return ZORBadInput("line 1: the column " + name + " is named twice");
  }
  for (const char* required : {"part", "out"}) {
    if (!places.count(required)) return ZORBadInput("line 1: the header names no column " + std::string(required));
  }
  return std::nullopt;
}

ZOROutcome CheckOptions(const std::string& options) {
  std::vector<std::string> words;
  if (ZOROutcome problem = ZORSplitOptions(options, words)) return problem;
  for (const std::string& word : words) {
    if (word.size() < 2 || word.front() != '-') continue;  // an option's value
    const std::string name = word.substr(0, word.find('='));
    if (name == "--") return ZORBadInput("the options may not end the options with --");
    for (const char* taken : kTakenOptions) {
      // An option's name shortened (--stats) is taken for it too.
      if (name == taken || (name.size() > 3 && std::string_view(taken).starts_with(name))) {
        return ZORBadInput("the options may not give " + name +
                           ": the batch gives it (the columns part, reference, analysis and out)");
      }
    }
  }
  return std::nullopt;
}

ZOROutcome ReadRow(const std::vector<std::string>& fields, const std::map<std::string, std::size_t>& places,
                   ZORBatchRow& row) {
  if (fields.size() > places.size()) {
    return ZORBadInput("it has " + std::to_string(fields.size()) + " fields, the header " +
                       std::to_string(places.size()));
  }
  auto field = [&](const char* column) {
    const auto place = places.find(column);
    return place == places.end() || place->second >= fields.size() ? std::string() : Trimmed(fields[place->second]);
  };
  row.part = field("part");
  row.reference = field("reference");
  row.analysis = field("analysis");
  row.options = field("options");
  row.out = field("out");
  if (row.part.empty()) return ZORBadInput("it gives no part");
  if (row.out.empty()) return ZORBadInput("it gives no out");
  if (row.out.back() == '/') return ZORBadInput("its out " + ZORShown(row.out) + " names a folder; give a prefix");
  return CheckOptions(row.options);
}

// Two rows writing one prefix would overwrite each other's results.
ZOROutcome CheckOutsDiffer(const ZORBatchManifest& manifest) {
  std::map<std::filesystem::path, int> outs;
  for (const ZORBatchRow& row : manifest.rows) {
    const std::filesystem::path out = (std::filesystem::path(manifest.folder) / row.out).lexically_normal();
    const auto [earlier, added] = outs.emplace(out, row.number);
    if (!added) {
      return ZORBadInput("rows " + std::to_string(earlier->second) + " and " + std::to_string(row.number) +
                         " both write " + ZORShown(row.out));
    }
  }
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORSplitOptions(const std::string& options, std::vector<std::string>& words) {
  words.clear();
  char quote = 0;
  bool inWord = false;
  for (const char c : options) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        words.back() += c;
      }
    } else if (c == ' ' || c == '\t') {
      inWord = false;
    } else {
      if (!inWord) words.emplace_back();
      inWord = true;
      if (c == '"' || c == '\'') {
        quote = c;
      } else {
        words.back() += c;
      }
    }
  }
  if (quote != 0) return ZORBadInput("the options " + ZORShown(options) + " open a quote they do not close");
  return std::nullopt;
}

ZOROutcome ZORReadBatchManifest(const std::string& path, ZORBatchManifest& manifest) {
  std::string text;
  if (ZOROutcome problem = ZORReadWholeFile(path, kZORLargestTextFile, "a batch manifest", text)) return problem;
  manifest = {path, std::filesystem::path(path).parent_path().string(), {}};
  std::size_t at = 0;
  int line = 1;
  std::vector<std::string> fields;
  std::map<std::string, std::size_t> places;
  if (ZOROutcome problem = ReadRecord(text, at, line, fields)) return ZORInContext(path + ": ", problem);
  if (ZOROutcome problem = ReadHeader(fields, places)) return ZORInContext(path + ": ", problem);
  while (at < text.size()) {
    const int rowLine = line;
    if (ZOROutcome problem = ReadRecord(text, at, line, fields)) return ZORInContext(path + ": ", problem);
    if (IsBlank(fields)) continue;
    ZORBatchRow row;
    row.number = static_cast<int>(manifest.rows.size()) + 1;
    if (ZOROutcome problem = ReadRow(fields, places, row)) {
      return ZORInContext(path + ": line " + std::to_string(rowLine) + " (row " + std::to_string(row.number) + "): ",
                          problem);
    }
    manifest.rows.push_back(std::move(row));
  }
  if (manifest.rows.empty()) return ZORBadInput(path + ": the manifest has no rows after its header");
  return ZORInContext(path + ": ", CheckOutsDiffer(manifest));
}
