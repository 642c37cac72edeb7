// A STEP file checked before the CAD kernel reads it: the kernel's parser recurses once per
// nested parenthesis (a deep record overflows its stack), and its shape repair may run without
// end on a coordinate that is not a finite number.
#pragma once

#include <string>
#include <string_view>

#include "zorhost/common/Outcome.h"

// Parentheses nested deeper than this in one record are refused; real files nest a few levels.
inline constexpr int kZORStepDeepestNesting = 64;

// Reads the file as STEP's exchange structure and refuses, naming the file and the entity
// ("FILE: entity #12: ..."), a record nested deeper than kZORStepDeepestNesting, a number beyond the
// range of a double, a NAN or INF where a number belongs, and a CARTESIAN_POINT coordinate beyond
// kZORLargestCoordinate. Everything else is left to the kernel's reader.
ZOROutcome ZORCheckStepFile(const std::string& path);
// The same of a STEP file's text, naming the entity alone.
ZOROutcome ZORCheckStepText(std::string_view text);
