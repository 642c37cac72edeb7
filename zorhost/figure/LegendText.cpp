#include "zorhost/figure/LegendText.h"

#include <cstdio>

#include "zor/ZORText.h"
#include "zorhost/common/Numbers.h"

namespace {

std::string From(const ZORLegendRow& row) { return row.placed ? ZORShownNumber(row.from) : "none"; }
std::string To(const ZORLegendRow& row) { return row.placed ? ZORShownNumber(row.to) : ""; }

}  // namespace

std::string ZORLegendSummary(const ZORLegendModel& legend) {
  std::string text = "scale: " + std::to_string(legend.blocks) + " blocks\n";
  text += "  block  values from    to               color (r, g, b, a)      values\n";
  for (const ZORLegendRow& row : legend.rows) {
    char line[256];
    std::snprintf(line, sizeof line, "  %5d  %-14s  %-14s  %-22s  %ld\n", row.block, From(row).c_str(),
                  To(row).c_str(), row.colorText.c_str(), row.count);
    text += line;
  }
  if (legend.anyInterpolated) text += std::string("  (") + ZORLegendModel::kInterpolatedNote + ")\n";
  for (const std::string& note : legend.notes) text += "note: " + note + "\n";
  if (legend.undefined > 0) text += "undefined values: " + std::to_string(legend.undefined) + "\n";
  if (legend.noColor > 0) text += "values the scale gave no color: " + std::to_string(legend.noColor) + "\n";
  return text;
}

std::string ZORLegendListing(const ZORLegendModel& legend, const std::string& name) {
  std::string text = "scale '" + ZORPrintable(name) + "': " + std::to_string(legend.blocks) +
                     " blocks, undefined values " + ZORColorText(legend.undefinedColor) + "\n";
  text += "  block  lower boundary         values from      to               color (r, g, b, a)\n";
  for (const ZORLegendRow& row : legend.rows) {
    char line[256];
    std::snprintf(line, sizeof line, "  %5d  %-21s  %-15s  %-15s  %s\n", row.block, row.boundary.c_str(),
                  From(row).c_str(), To(row).c_str(), row.colorText.c_str());
    text += line;
  }
  if (legend.anyInterpolated) text += std::string("  (") + ZORLegendModel::kInterpolatedNote + ")\n";
  for (const std::string& note : legend.notes) text += "note: " + note + "\n";
  return text;
}
