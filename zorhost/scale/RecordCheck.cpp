#include "zorhost/scale/RecordCheck.h"

#include <algorithm>

#include "zor/ZORColorScaleRecord.h"
#include "zor/ZORText.h"

namespace {

namespace record = ZORSettingsRecord;

const record::Key* KeyNamed(const std::string& name) {
  for (const record::Key& key : record::kKeys) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

std::size_t ValueCount(const ZORSettingEntry& entry) {
  return entry.isDouble ? entry.doubles.size() : entry.integers.size();
}

const char* TypeName(bool isDouble) { return isDouble ? "double" : "int"; }

// The block count the load uses (0 for none), and what is wrong with the key that gives it.
int BlockCount(const ZORSettingEntry* entry, std::string& problem) {
  if (entry == nullptr) {
    problem = "NumberOfBlocks is missing: no colors and no boundaries are loaded";
    return 0;
  }
  if (entry->isDouble || entry->integers.empty()) return 0;  // reported with the entry
  const int stored = entry->integers.front();
  const int blocks = record::LoadedBlockCount(stored);
  if (blocks == 0) {
    problem = "NumberOfBlocks " + std::to_string(stored) +
              (stored > record::kMaximumBlockCount
                   ? " is above " + std::to_string(record::kMaximumBlockCount) + ": ignored"
                   : std::string(" is no block count")) +
              ", no colors and no boundaries are loaded";
  }
  return blocks;
}

// What is wrong with one entry of a record with `blocks` blocks.
std::string EntryProblem(const ZORSettingEntry& entry, int blocks, int imposedValues) {
  if (entry.key == kZORRelativeBoundariesKey) {
    return entry.isDouble && (blocks == 0 || ValueCount(entry) == static_cast<std::size_t>(blocks - 1))
               ? std::string()
               : std::string(kZORRelativeBoundariesKey) + " holds not one double a boundary: the scale is read as absolute";
  }
  const record::Key* key = KeyNamed(entry.key);
  if (key == nullptr) return "'" + ZORPrintable(entry.key) + "' is not a key of a color scale record: ignored";
  const bool wantsDouble = key->type == record::Type::Double;
  if (entry.isDouble != wantsDouble) {
    return entry.key + " is stored as " + TypeName(entry.isDouble) + ", a color scale reads " +
           TypeName(wantsDouble) + ": ignored";
  }
  const std::size_t count = ValueCount(entry);
  switch (key->count) {
    case record::Count::One:
      if (count == 0) return entry.key + " holds no value: ignored";
      if (entry.key == record::kNumberOfImposedValues.name && blocks > 0 &&
          record::LoadedBoundaryEntries(entry.integers.front(), blocks) < entry.integers.front()) {
        return "NumberOfImposedValues " + std::to_string(entry.integers.front()) + " is above the " +
               std::to_string(blocks - 1) + " boundaries: only those are loaded";
      }
      return {};
    case record::Count::Four:
      if (count != 4) return entry.key + " holds " + std::to_string(count) + " values, not 4: not applied";
      return {};
    case record::Count::PerBlock:
    case record::Count::PerBoundary: {
      if (blocks < 1) return {};
      const std::size_t needed =
          record::ValuesUsed(*key, blocks, record::LoadedBoundaryEntries(imposedValues, blocks));
      if (count >= needed) return {};
      return entry.key + " holds " + std::to_string(count) + " values where " +
             std::to_string(needed) + " are read: the others load as " +
             (key->count == record::Count::PerBlock ? "color (0, 0, 0, 0), not imposed" : "boundary 0, not imposed");
    }
  }
  return {};
}

}  // namespace

std::vector<std::string> ZORCheckScaleRecord(const std::string& path,
                                             const std::vector<ZORSettingEntry>& entries,
                                             const std::vector<int>& lines) {
  std::vector<std::string> problems;
  auto find = [&entries](const record::Key& key) -> const ZORSettingEntry* {
    auto found = std::find_if(entries.begin(), entries.end(),
                              [&key](const ZORSettingEntry& e) { return e.key == key.name; });
    return found != entries.end() ? &*found : nullptr;
  };
  const ZORSettingEntry* blocksEntry = find(record::kNumberOfBlocks);
  std::string blocksProblem;
  const int blocks = BlockCount(blocksEntry, blocksProblem);
  const ZORSettingEntry* imposed = find(record::kNumberOfImposedValues);
  const int imposedValues =
      imposed != nullptr && !imposed->isDouble && !imposed->integers.empty() ? imposed->integers.front() : 0;
  if (blocksEntry == nullptr) problems.push_back(path + ": " + blocksProblem);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string where = path + ":" + std::to_string(i < lines.size() ? lines[i] : 0) + ": ";
    std::string problem = EntryProblem(entries[i], blocks, imposedValues);
    if (problem.empty() && &entries[i] == blocksEntry) problem = blocksProblem;
    if (!problem.empty()) problems.push_back(where + problem);
  }
  return problems;
}
