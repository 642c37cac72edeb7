// The report an engineer hands on: one self-contained HTML page (its pictures embedded, no script,
// nothing fetched) that prints cleanly on A4 — the verdict first, then the inputs, the analysis and
// its settings, the pictures of the views on one scale, the legend with each block's share of the
// area, the statistics and the callouts.
#pragma once

#include <string>
#include <vector>

#include "zorhost/inspection/InspectionRecord.h"

// A view of the part as the report shows it: its name ("iso", "30,20"), its picture as PNG with
// the callouts drawn, and where they are.
struct ZORReportView {
  std::string name;
  std::string png;
  std::vector<ZORFigureCallout> callouts;
};

std::string ZORReportHtml(const ZORInspection& inspection, const std::vector<ZORReportView>& views);
