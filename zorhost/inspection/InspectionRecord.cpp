#include "zorhost/inspection/InspectionRecord.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "zorhost/common/Numbers.h"
#include "zorhost/surface/Analysis.h"

namespace {

using nlohmann::json;

// A finite number, or null: JSON has no infinity.
json Number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

json Where(const ZORValuePoint& at) {
  return {{"value", Number(at.value)},
          {"point", {at.point.x, at.point.y, at.point.z}},
          {"face", at.face >= 0 ? json(at.face + 1) : json(nullptr)},
          {"vertex", at.vertex >= 0 ? json(at.vertex + 1) : json(nullptr)}};
}

json Blocks(const ZORLegendModel& legend) {
  json blocks = json::array();
  for (std::size_t k = 0; k < legend.rows.size(); ++k) {
    const ZORLegendRow& row = legend.rows[k];
    const bool last = k + 1 == legend.rows.size();
    blocks.push_back({{"block", row.block},
                      {"from", row.hasLowerBoundary ? Number(row.lowerBoundary) : json(nullptr)},
                      {"to", last ? json(nullptr) : Number(legend.rows[k + 1].lowerBoundary)},
                      {"color", {row.color.red, row.color.green, row.color.blue, row.color.alpha}},
                      {"colorImposed", row.colorImposed},
                      {"areaShare", row.areaShare >= 0.0 ? Number(row.areaShare) : json(nullptr)}});
  }
  return blocks;
}

json Tolerance(const ZORAreaStatistics& statistics) {
  if (!statistics.passing) return nullptr;
  return {{"low", Number(statistics.passing->low)},
          {"high", Number(statistics.passing->high)},
          {"below", statistics.below},
          {"within", statistics.within},
          {"above", statistics.above},
          {"passShare", statistics.passShare},
          {"verdict", statistics.passes ? "pass" : "fail"},
          {"worstBelow", statistics.worstBelow ? Where(*statistics.worstBelow) : json(nullptr)},
          {"worstAbove", statistics.worstAbove ? Where(*statistics.worstAbove) : json(nullptr)}};
}

// The edges' continuity: how many of each class, the tolerances that class them, and each edge.
json Edges(const std::optional<std::vector<ZOREdgeContinuity>>& measured) {
  if (!measured) return nullptr;
  json counts = json::object();
  for (ZORContinuity continuity : {ZORContinuity::G2, ZORContinuity::G1, ZORContinuity::G0, ZORContinuity::Gap}) {
    counts[ZORContinuityName(continuity)] = 0;
  }
  json list = json::array();
  for (const ZOREdgeContinuity& e : *measured) {
    counts[ZORContinuityName(e.continuity)] = counts[ZORContinuityName(e.continuity)].get<int>() + 1;
    list.push_back({{"edge", e.edge + 1},
                    {"faces", {e.faces[0] + 1, e.faces[1] + 1}},
                    {"length", Number(e.length)},
                    {"gap", Number(e.gap)},
                    {"gapTolerance", Number(e.gapTolerance)},
                    {"angle", Number(e.angle)},
                    {"curvatureJump", Number(e.curvatureJump)},
                    {"class", ZORContinuityName(e.continuity)}});
  }
  return {{"counts", std::move(counts)},
          {"tangentDegrees", kZORTangentDegrees},
          {"curvatureJump", kZORCurvatureJump},
          {"gapShare", kZORGapShare},
          {"list", std::move(list)}};
}

}  // namespace

std::string ZORInspectionJson(const ZORInspection& inspection) {
  const ZORAreaStatistics& statistics = inspection.statistics;
  json inputs = json::array();
  for (const ZORInputFile& input : inspection.inputs) {
    inputs.push_back({{"role", input.role},
                      {"path", input.path},
                      {"bytes", input.bytes},
                      {"sha256", input.sha256},
                      {"lengthUnit", input.lengthUnit.empty() ? json(nullptr) : json(input.lengthUnit)}});
  }
  json settings = json::object();
  for (const auto& [name, value] : inspection.settings) settings[name] = value;
  json percentiles = json::object();
  for (const auto& [percent, value] : statistics.percentiles) percentiles[ZORExactNumber(percent)] = Number(value);
  json callouts = json::array();
  for (const ZORCallout& callout : inspection.callouts) {
    json entry = Where(callout.at);
    entry["number"] = callout.number;
    entry["what"] = callout.what;
    callouts.push_back(std::move(entry));
  }
  const json record = {
      {"schema", kZORInspectionSchema},
      {"version", kZORInspectionSchemaVersion},
      {"title", inspection.title},
      {"analysis", inspection.analysis},
      {"unit", inspection.unit},
      {"lengthUnit", inspection.lengthUnit.empty() ? json(nullptr) : json(inspection.lengthUnit)},
      {"areaUnit", ZORAreaUnitName(inspection.lengthUnit)},
      {"inputs", std::move(inputs)},
      {"settings", std::move(settings)},
      {"sample", {{"points", statistics.points}, {"how", statistics.how}}},
      {"area", statistics.area},
      {"undefinedShare", statistics.undefinedShare},
      {"minimum", Where(statistics.minimum)},
      {"maximum", Where(statistics.maximum)},
      {"mean", Number(statistics.mean)},
      {"standardDeviation", Number(statistics.standardDeviation)},
      {"rms", Number(statistics.rms)},
      {"percentiles", std::move(percentiles)},
      {"blocks", Blocks(inspection.legend)},
      {"tolerance", Tolerance(statistics)},
      {"callouts", std::move(callouts)},
      {"edges", Edges(inspection.edges)}};
  return record.dump(2) + "\n";
}
