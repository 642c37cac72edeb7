// What a row's run leaves beside its outputs: the record of what it was run from and how it ended,
// which lets a later run of the manifest skip a row whose inputs have not changed, and the summary
// tell each row's end.
#pragma once

#include <optional>
#include <string>

#include "zorhost/batch/BatchManifest.h"
#include "zorhost/common/Outcome.h"

// The files of a row: its out prefix with each one's ending, from `folder` (the manifest's, or
// empty for paths from it).
struct ZORRowFiles {
  std::string picture;     // PREFIX.png
  std::string statistics;  // PREFIX.stats.json, the inspection record
  std::string log;         // PREFIX.log, what the part's run wrote
  std::string record;      // PREFIX.batch.json
};
ZORRowFiles ZORRowFilesOf(const std::string& folder, const ZORBatchRow& row);

// The SHA-256 digests of a row's part and reference; empty for one that cannot be read (its run
// says why) or that the row does not give.
struct ZORRowDigests {
  std::string part;
  std::string reference;
  bool operator==(const ZORRowDigests&) const = default;
};
ZORRowDigests ZORDigestRowInputs(const ZORBatchManifest& manifest, const ZORBatchRow& row);

// How a row's run ended.
struct ZORRowRecord {
  ZORBatchRow row;
  ZORRowDigests digests;
  bool done = false;   // the part was analysed and its files written
  std::string error;   // why not, when not
};

// Whether two rows ask for the same work: the same fields but for where they stand.
bool ZORSameWork(const ZORBatchRow& a, const ZORBatchRow& b);

ZOROutcome ZORWriteRowRecord(const std::string& path, const ZORRowRecord& record);
// The record at `path`; nothing when there is none or it cannot be read as one.
std::optional<ZORRowRecord> ZORReadRowRecord(const std::string& path);

// Whether a row's earlier run stands: done, from the same row and the same inputs, its picture
// and statistics in place.
bool ZORRowIsCurrent(const ZORRowFiles& files, const ZORBatchRow& row, const ZORRowDigests& digests);
