// What a result was made from, so that a reader can tell the very files again: each input's role,
// its path, size and SHA-256, and its length unit.
#pragma once

#include <cstdint>
#include <string>

#include "zorhost/common/Outcome.h"

struct ZORInputFile {
  std::string role;  // "part", "reference"
  std::string path;
  std::uintmax_t bytes = 0;
  std::string sha256;      // lowercase hexadecimal
  std::string lengthUnit;  // as the file states it or --unit gives it; empty when neither
};

// The input at `path`, read through to its digest; a problem naming it when it cannot be read.
ZOROutcome ZORDescribeInput(const std::string& role, const std::string& path, const std::string& lengthUnit,
                            ZORInputFile& input);
