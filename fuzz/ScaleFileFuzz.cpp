// The .cpt, .json and .csv scale readers: any bytes are read or refused with a reason; what is
// read is a scale whose boundaries increase and whose colors are components from 0 to 255, and
// written out in the same format it reads back to the same scale.
#include <cmath>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "zorhost/scalefiles/ScaleFiles.h"

namespace {

void CheckTable(const ZORScaleTable& table) {
  const std::size_t n = table.colors.size();
  if (n < 1 || table.colorImposed.size() != n || table.boundaries.size() != n - 1 ||
      table.boundaryImposed.size() != n - 1) {
    ZORFuzzFinding("a table whose lists do not fit its blocks");
  }
  for (std::size_t k = 0; k < table.boundaries.size(); ++k) {
    if (!std::isfinite(table.boundaries[k])) ZORFuzzFinding("a boundary that is not finite");
    if (k > 0 && !(table.boundaries[k] > table.boundaries[k - 1])) {
      ZORFuzzFinding("boundaries that do not increase");
    }
  }
  for (const ZORRgba& c : table.colors) {
    for (int component : {c.red, c.green, c.blue, c.alpha}) {
      if (component < 0 || component > 255) ZORFuzzFinding("a color component out of 0 to 255");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

// The first byte chooses the format.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr ZORScaleFormat kFormats[] = {ZORScaleFormat::Cpt, ZORScaleFormat::Json,
                                         ZORScaleFormat::Csv};
  const ZORScaleFormat format = kFormats[data[0] % 3];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  ZORScaleTable table;
  if (const ZOROutcome refused = ZORParseScaleFile(text, format, "fuzz", table)) {
    if (refused->message.empty()) ZORFuzzFinding("a refusal without its reason");
    return 0;
  }
  CheckTable(table);
  std::string written;
  if (ZORFormatScaleFile(table, format, "fuzz", written)) {
    if (format == ZORScaleFormat::Csv || table.Blocks() >= 3) ZORFuzzFinding("a read scale does not write");
    return 0;
  }
  ZORScaleTable again;
  if (ZORParseScaleFile(written, format, "again", again)) ZORFuzzFinding("the written scale does not read");
  if (again.colors != table.colors || again.colorImposed != table.colorImposed ||
      again.boundaries != table.boundaries || again.boundaryImposed != table.boundaryImposed ||
      again.undefinedColor != table.undefinedColor) {
    ZORFuzzFinding("the scale changed on the way back");
  }
  return 0;
}
