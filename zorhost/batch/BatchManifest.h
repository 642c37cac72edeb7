// A batch's manifest: a CSV file, a header line naming the columns, then a row a part. Its
// columns are part, reference, analysis, options (further `zorhost render` options) and out (the
// output prefix); paths are relative to the manifest's folder, where every part runs.
#pragma once

#include <string>
#include <vector>

#include "zorhost/common/Outcome.h"

struct ZORBatchRow {
  int number = 0;  // from 1, the first row after the header
  std::string part;
  std::string reference;  // empty: none
  std::string analysis;   // empty: render's default
  std::string options;    // as the manifest writes them
  std::string out;
};

struct ZORBatchManifest {
  std::string path;
  std::string folder;  // where its paths start from; empty for the working folder
  std::vector<ZORBatchRow> rows;
};

// The manifest at `path`: refused (bad input, naming the line) when a row's fields cannot be
// read, a column is missing or unknown, a row has no part or out, two rows write the same out,
// its options cannot be split or give what the columns give (the part, --out, --stats-out, ...).
ZOROutcome ZORReadBatchManifest(const std::string& path, ZORBatchManifest& manifest);

// The words of a row's options, split at spaces; a word may be quoted with ' or " to hold spaces.
ZOROutcome ZORSplitOptions(const std::string& options, std::vector<std::string>& words);
