#include "zorhost/inspection/Report.h"

#include <algorithm>
#include <ctime>
#include <sstream>

#include "zorhost/common/Numbers.h"
#include "zorhost/figure/ImageFiles.h"
#include "zorhost/figure/LegendSvg.h"
#include "zorhost/surface/Analysis.h"

namespace {

// The page's look, for the screen and for A4 paper: sections kept whole on a page, two pictures
// a row.
constexpr const char* kStyle = R"(
@page { size: A4; margin: 14mm 12mm; }
* { box-sizing: border-box; }
body { font: 10.5pt/1.4 "DejaVu Sans", Helvetica, Arial, sans-serif; color: #111; margin: 24px auto; max-width: 190mm; }
h1 { font-size: 17pt; margin: 0 0 2mm; }
h2 { font-size: 12.5pt; margin: 6mm 0 2mm; border-bottom: 1px solid #999; }
.subtitle { color: #444; margin: 0 0 4mm; }
section { break-inside: avoid; page-break-inside: avoid; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: 1mm 2mm; border-bottom: 1px solid #ddd; vertical-align: top; }
th { font-weight: 600; }
td.number { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
.mono { font-family: "DejaVu Sans Mono", Menlo, Consolas, monospace; font-size: 8.5pt; word-break: break-all; }
.verdict { padding: 3mm 4mm; border-radius: 2mm; font-size: 13pt; font-weight: 700; margin: 3mm 0; }
.pass { background: #d8f0d8; border: 1px solid #2a7a2a; color: #174d17; }
.fail { background: #f7d7d4; border: 1px solid #a32a1f; color: #6b130c; }
.none { background: #eee; border: 1px solid #999; color: #333; font-weight: 400; }
.views { display: grid; grid-template-columns: 1fr 1fr; gap: 4mm; }
figure { margin: 0; break-inside: avoid; page-break-inside: avoid; }
figure img { width: 100%; height: auto; border: 1px solid #ccc; }
figcaption { font-size: 9pt; color: #444; }
.swatch { display: inline-block; width: 9mm; height: 4mm; border: 1px solid #000; vertical-align: middle; print-color-adjust: exact; -webkit-print-color-adjust: exact; }
.bar { display: inline-block; height: 3mm; vertical-align: middle; border: 1px solid #555; print-color-adjust: exact; -webkit-print-color-adjust: exact; }
footer { margin-top: 6mm; font-size: 8.5pt; color: #666; }
@media print { body { margin: 0; max-width: none; } .views { grid-template-columns: 1fr 1fr; } }
)";

std::string Css(const ZORRgba& c) {
  return "rgba(" + std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) + "," +
         ZORShownNumber(c.alpha / 255.0) + ")";
}

std::string PointText(const ZORValuePoint& at) {
  std::string text = "(" + ZORShownNumber(at.point.x) + ", " + ZORShownNumber(at.point.y) + ", " + ZORShownNumber(at.point.z) + ")";
  if (at.face >= 0) text += ", face " + std::to_string(at.face + 1);
  if (at.vertex >= 0) text += ", vertex " + std::to_string(at.vertex + 1);
  return text;
}

std::string Bytes(std::uintmax_t bytes) { return ZORShownBytes(static_cast<std::size_t>(bytes)); }

void Verdict(std::ostringstream& page, const ZORInspection& inspection) {
  const ZORAreaStatistics& statistics = inspection.statistics;
  if (!statistics.passing) {
    page << "<div class=\"verdict none\">No tolerance was given: no verdict.</div>\n";
    return;
  }
  page << "<div class=\"verdict " << (statistics.passes ? "pass" : "fail") << "\">"
       << (statistics.passes ? "PASS" : "FAIL") << " &mdash; " << ZORMarkupEscaped(ZORShareText(statistics.within))
       << " of the area within " << ZORMarkupEscaped(ZORToleranceText(*statistics.passing)) << " " << ZORMarkupEscaped(inspection.unit)
       << " (at least " << ZORMarkupEscaped(ZORShownNumber(statistics.passShare)) << " % must be)</div>\n";
}

// An input's unit as it states it, or, stating none, the unit it is read in.
std::string UnitOf(const ZORInputFile& input, const ZORInspection& inspection) {
  if (!input.lengthUnit.empty()) return input.lengthUnit;
  if (!inspection.lengthUnit.empty()) return "none stated; read in " + inspection.lengthUnit;
  return "none stated";
}

void Inputs(std::ostringstream& page, const ZORInspection& inspection) {
  page << "<section><h2>Inputs</h2><table><tr><th>role</th><th>file</th><th>size</th><th>unit</th></tr>\n";
  for (const ZORInputFile& input : inspection.inputs) {
    page << "<tr><td>" << ZORMarkupEscaped(input.role) << "</td><td>" << ZORMarkupEscaped(input.path)
         << "<div class=\"mono\">SHA-256 " << input.sha256 << "</div></td><td class=\"number\">" << Bytes(input.bytes)
         << "</td><td>" << ZORMarkupEscaped(UnitOf(input, inspection)) << "</td></tr>\n";
  }
  page << "</table></section>\n";
}

void Settings(std::ostringstream& page, const ZORInspection& inspection) {
  page << "<section><h2>Analysis</h2><table>\n<tr><th>measured</th><td>" << ZORMarkupEscaped(inspection.analysis) << ", in "
       << ZORMarkupEscaped(inspection.unit) << "</td></tr>\n";
  for (const auto& [name, value] : inspection.settings) {
    page << "<tr><th>" << ZORMarkupEscaped(name) << "</th><td>" << ZORMarkupEscaped(value) << "</td></tr>\n";
  }
  page << "</table></section>\n";
}

void Views(std::ostringstream& page, const std::vector<ZORReportView>& views) {
  page << "<section><h2>Views</h2><div class=\"views\">\n";
  for (const ZORReportView& view : views) {
    page << "<figure><img alt=\"the part seen from " << ZORMarkupEscaped(view.name) << "\" src=\"data:image/png;base64,"
         << ZORBase64(view.png) << "\"><figcaption>" << ZORMarkupEscaped(view.name);
    int hidden = 0;
    for (const ZORFigureCallout& callout : view.callouts) hidden += callout.seen ? 0 : 1;
    if (hidden > 0) page << "; " << hidden << " callout" << (hidden > 1 ? "s" : "") << " hidden in this view";
    page << "</figcaption></figure>\n";
  }
  page << "</div></section>\n";
}

void Legend(std::ostringstream& page, const ZORInspection& inspection) {
  page << "<section><h2>Scale and area</h2><table><tr><th></th><th>block</th><th>values (" << ZORMarkupEscaped(inspection.unit)
       << ")</th><th>share of the area</th></tr>\n";
  for (auto row = inspection.legend.rows.rbegin(); row != inspection.legend.rows.rend(); ++row) {
    const double share = std::max(0.0, row->areaShare);
    page << "<tr><td><span class=\"swatch\" style=\"background:" << Css(row->color) << "\"></span></td><td>"
         << row->block << "</td><td>" << ZORMarkupEscaped(row->span) << "</td><td><span class=\"bar\" style=\"width:"
         << ZORShownFixed(share * 0.4, 2) << "mm;background:" << Css(row->color) << "\"></span> "
         << ZORMarkupEscaped(ZORShareText(share)) << "</td></tr>\n";
  }
  page << "</table></section>\n";
}

void Statistics(std::ostringstream& page, const ZORInspection& inspection) {
  const ZORAreaStatistics& s = inspection.statistics;
  const std::string unit = " " + ZORMarkupEscaped(inspection.unit);
  auto row = [&page](const std::string& name, const std::string& value, const std::string& where = {}) {
    page << "<tr><th>" << name << "</th><td class=\"number\">" << value << "</td><td>" << where << "</td></tr>\n";
  };
  page << "<section><h2>Statistics over the whole part, by area</h2><table>\n";
  row("area", ZORMarkupEscaped(ZORShownNumber(s.area)) + " " + ZORMarkupEscaped(ZORAreaUnitName(inspection.lengthUnit)), ZORMarkupEscaped(s.how));
  if (s.undefinedShare > 0.0) row("no value", ZORMarkupEscaped(ZORShareText(s.undefinedShare)), "of the area");
  row("minimum", ZORMarkupEscaped(ZORShownNumber(s.minimum.value)) + unit, ZORMarkupEscaped(PointText(s.minimum)));
  row("maximum", ZORMarkupEscaped(ZORShownNumber(s.maximum.value)) + unit, ZORMarkupEscaped(PointText(s.maximum)));
  row("mean", ZORMarkupEscaped(ZORShownNumber(s.mean)) + unit);
  row("standard deviation", ZORMarkupEscaped(ZORShownNumber(s.standardDeviation)) + unit);
  row("RMS", ZORMarkupEscaped(ZORShownNumber(s.rms)) + unit);
  for (const auto& [percent, value] : s.percentiles) {
    row("percentile " + ZORShownNumber(percent), ZORMarkupEscaped(ZORShownNumber(value)) + unit);
  }
  if (s.passing) {
    row("within " + ZORMarkupEscaped(ZORToleranceText(*s.passing)), ZORMarkupEscaped(ZORShareText(s.within)));
    row("above", ZORMarkupEscaped(ZORShareText(s.above)), s.worstAbove ? "worst " + ZORMarkupEscaped(ZORShownNumber(s.worstAbove->value)) + unit + " at " + ZORMarkupEscaped(PointText(*s.worstAbove)) : "");
    row("below", ZORMarkupEscaped(ZORShareText(s.below)), s.worstBelow ? "worst " + ZORMarkupEscaped(ZORShownNumber(s.worstBelow->value)) + unit + " at " + ZORMarkupEscaped(PointText(*s.worstBelow)) : "");
  }
  page << "</table></section>\n";
}

void Callouts(std::ostringstream& page, const ZORInspection& inspection) {
  if (inspection.callouts.empty()) return;
  page << "<section><h2>Callouts</h2><table><tr><th>#</th><th>value (" << ZORMarkupEscaped(inspection.unit)
       << ")</th><th>what</th><th>where</th></tr>\n";
  for (const ZORCallout& callout : inspection.callouts) {
    page << "<tr><td>" << callout.number << "</td><td class=\"number\">" << ZORMarkupEscaped(ZORShownNumber(callout.at.value))
         << "</td><td>" << ZORMarkupEscaped(callout.what) << "</td><td>" << ZORMarkupEscaped(PointText(callout.at)) << "</td></tr>\n";
  }
  page << "</table></section>\n";
}

// The edges' classes, and the edges least continuous, worst angle first.
void Edges(std::ostringstream& page, const ZORInspection& inspection) {
  if (!inspection.edges || inspection.edges->empty()) return;
  constexpr std::size_t kMostRows = 30;
  std::vector<ZOREdgeContinuity> edges = *inspection.edges;
  std::stable_sort(edges.begin(), edges.end(), [](const ZOREdgeContinuity& a, const ZOREdgeContinuity& b) {
    return a.continuity < b.continuity || (a.continuity == b.continuity && a.angle > b.angle);
  });
  const std::string length = ZORMarkupEscaped(ZORLengthUnitName(inspection.lengthUnit));
  page << "<section><h2>Continuity across the edges</h2><p>" << ZORMarkupEscaped(ZORContinuityCounts(edges))
       << "; G1 within " << ZORShownNumber(kZORTangentDegrees) << "&deg;, G2 within a curvature jump of "
       << ZORShownNumber(100.0 * kZORCurvatureJump) << " %.</p>\n<table><tr><th>edge</th><th>faces</th><th>length ("
       << length << ")</th><th>gap (" << length << ")</th><th>angle (&deg;)</th><th>curvature jump</th><th>class</th></tr>\n";
  for (std::size_t i = 0; i < edges.size() && i < kMostRows; ++i) {
    const ZOREdgeContinuity& e = edges[i];
    page << "<tr><td>" << e.edge + 1 << "</td><td>" << e.faces[0] + 1 << ", " << e.faces[1] + 1 << "</td><td class=\"number\">"
         << ZORMarkupEscaped(ZORShownNumber(e.length)) << "</td><td class=\"number\">" << ZORMarkupEscaped(ZORShownNumber(e.gap))
         << "</td><td class=\"number\">" << ZORMarkupEscaped(ZORShownNumber(e.angle)) << "</td><td class=\"number\">"
         << ZORMarkupEscaped(ZORShareText(100.0 * e.curvatureJump)) << "</td><td>" << ZORContinuityName(e.continuity) << "</td></tr>\n";
  }
  page << "</table>";
  if (edges.size() > kMostRows) page << "<p>" << edges.size() - kMostRows << " more edges are in the JSON file.</p>";
  page << "</section>\n";
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
  return text;
}

}  // namespace

std::string ZORReportHtml(const ZORInspection& inspection, const std::vector<ZORReportView>& views) {
  std::ostringstream page;
  page << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Inspection: "
       << ZORMarkupEscaped(inspection.analysis) << "</title>\n<style>" << kStyle << "</style></head>\n<body>\n"
       << "<h1>Inspection report</h1>\n<p class=\"subtitle\">" << ZORMarkupEscaped(inspection.title) << "</p>\n";
  Verdict(page, inspection);
  Inputs(page, inspection);
  Settings(page, inspection);
  Views(page, views);
  Legend(page, inspection);
  Statistics(page, inspection);
  Callouts(page, inspection);
  Edges(page, inspection);
  page << "<footer>Made by zorhost on " << Now() << ". The numbers are also in the JSON file beside this page.</footer>\n"
       << "</body></html>\n";
  return page.str();
}
