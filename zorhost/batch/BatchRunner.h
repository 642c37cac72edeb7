// A batch's rows run, each part in a process of its own (`zorhost render`), a number of them at
// once: a part that fails or crashes is reported and the others run on; a row whose earlier run
// stands is not run again.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "zorhost/batch/BatchManifest.h"
#include "zorhost/common/Outcome.h"

struct ZORBatchSettings {
  std::string executable;   // the zorhost a row's command names, to run it again by hand
  std::string modulePath;   // the module every part loads
  int jobs = 1;             // parts at once
  int threadsPerPart = 1;   // unless a row's options say
  std::uint64_t memoryLimit = 0;  // bytes of address space a part's process may take; 0: no limit
  std::vector<int> rows;    // the row numbers to run; every row when empty
};

// How many rows ended each way.
struct ZORBatchTally {
  int done = 0;
  int unchanged = 0;
  std::vector<int> failed;  // row numbers
};

// Runs the rows of `manifest` that `settings` selects, telling each row's end on `progress` as it
// comes. A problem only when the batch itself cannot go on (a row's folder cannot be made, a
// process cannot be started); a part's failure is the tally's.
ZOROutcome ZORRunBatch(const ZORBatchManifest& manifest, const ZORBatchSettings& settings, std::ostream& progress,
                       ZORBatchTally& tally);

// The command that renders `row`, as its log tells it: the executable first.
std::vector<std::string> ZORRowCommand(const ZORBatchRow& row, const ZORBatchSettings& settings);
