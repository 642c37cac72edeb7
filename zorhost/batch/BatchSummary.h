// A batch's summary, made from what its rows' runs left (their records and inspection records),
// so that it is the same however and wherever the rows were run: PREFIX.csv, a line a row with its
// end, verdict and statistics, and PREFIX.json, each row with its whole inspection record.
#pragma once

#include <string>

#include "zorhost/batch/BatchManifest.h"
#include "zorhost/common/Outcome.h"

// How many rows ended each way in a summary.
struct ZORSummaryCounts {
  int done = 0;
  int failed = 0;
  int notRun = 0;
  int passed = 0;
  int notPassed = 0;
};

// Writes PREFIX.csv and PREFIX.json for every row of `manifest`.
ZOROutcome ZORWriteBatchSummary(const ZORBatchManifest& manifest, const std::string& prefix,
                                ZORSummaryCounts& counts);

// "pass" or "fail" as the inspection record at `path` says; empty when it gives no verdict.
std::string ZORRowVerdict(const std::string& statisticsPath);
