// Everything an inspection found, in one record: what was measured (the inputs, the analysis and
// its settings), the scale painted with, the statistics over the part's area and the callouts.
// Written as JSON for other programs (the schema in docs/statistics.md), and read by the report.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zorhost/figure/LegendModel.h"
#include "zorhost/inspection/AreaStatistics.h"
#include "zorhost/inspection/Callouts.h"
#include "zorhost/inspection/Provenance.h"
#include "zorhost/surface/Continuity.h"

// The schema's name and version: a reader refuses a version it does not know.
inline constexpr const char* kZORInspectionSchema = "zorhost-inspection";
inline constexpr int kZORInspectionSchemaVersion = 1;

struct ZORInspection {
  std::string title;     // as the pictures are titled
  std::string analysis;  // "deviation from bracket.step"
  std::string unit;        // of the values
  std::string lengthUnit;  // of the part, "" when unknown
  std::vector<ZORInputFile> inputs;
  std::vector<std::pair<std::string, std::string>> settings;  // what the analysis was asked with
  ZORAreaStatistics statistics;
  ZORLegendModel legend;  // the scale, with each block's share of the area
  std::vector<ZORCallout> callouts;
  std::optional<std::vector<ZOREdgeContinuity>> edges;  // a part's whose edges were measured
};

// The record as JSON, every number exact.
std::string ZORInspectionJson(const ZORInspection& inspection);
