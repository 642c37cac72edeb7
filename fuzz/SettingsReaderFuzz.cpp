// The settings file reader: any bytes parse or are refused with a line; what parses is written
// back, parses again to the same record, and is written back to the same text.
#include <cmath>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "zor/ZORSettingRepository.h"

namespace {

bool SameDouble(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameRecords(const std::vector<ZORSettingEntry>& a, const std::vector<ZORSettingEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].key != b[i].key || a[i].isDouble != b[i].isDouble || a[i].integers != b[i].integers ||
        a[i].doubles.size() != b[i].doubles.size()) {
      return false;
    }
    for (std::size_t j = 0; j < a[i].doubles.size(); ++j) {
      if (!SameDouble(a[i].doubles[j], b[i].doubles[j])) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ZORSettingEntry> entries;
  int line = 0;
  std::string problem;
  if (!ZORParseSettings(text, entries, line, problem)) {
    if (line < 1 || problem.empty()) ZORFuzzFinding("a refusal without its line or reason");
    return 0;
  }
  const std::string written = ZORFormatSettings(entries);
  std::vector<ZORSettingEntry> again;
  if (!ZORParseSettings(written, again, line, problem)) ZORFuzzFinding("written text does not parse");
  if (!SameRecords(entries, again)) ZORFuzzFinding("the record changed on the way back");
  if (ZORFormatSettings(again) != written) ZORFuzzFinding("the text changed on the way back");
  return 0;
}
