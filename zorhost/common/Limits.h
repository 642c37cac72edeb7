// The limits zorhost holds to, each in one place: the code checks against them, the help texts
// and messages print them, and the editor's page reads them from the state it is served.
#pragma once

#include <cstddef>

#include "zor/ZORColorScaleRecord.h"

// Scales.
inline constexpr int kZORMostBlocks = ZORSettingsRecord::kMaximumBlockCount;
// A scale file, a settings repository, a script's line and answer: palettes and scripts are small.
inline constexpr std::size_t kZORLargestTextFile = std::size_t{16} << 20;
// A mesh file read whole into memory (PLY).
inline constexpr std::size_t kZORLargestMeshFile = std::size_t{4} << 30;

// Pictures: each side, the zoom, the pan (shares of the picture's sides), the threads.
inline constexpr int kZORLargestSide = 8192;
inline constexpr double kZORLeastZoom = 0.01;
inline constexpr double kZORMostZoom = 1000.0;
inline constexpr double kZORMostPan = 10.0;
inline constexpr int kZORMostThreads = 256;

// The callouts an editor's page may pin.
inline constexpr std::size_t kZORMostPins = 32;

// Reading, meshing and analysing a part: the default time limit, and the longest that is a limit at all
// (longer ones, up to infinity, are taken as none).
inline constexpr double kZORDefaultTimeLimit = 60.0;
inline constexpr double kZORLongestTimeLimit = 1e6;

// Grids of values: rows and columns, values in all, the characters of a cell.
inline constexpr int kZORMostGridSide = 1000000;
inline constexpr std::size_t kZORMostGridValues = std::size_t{1} << 26;
inline constexpr std::size_t kZORLongestGridCell = 1024;

// The editor: a request's body, the lines of a script it runs, the bytes of its undo history.
inline constexpr std::size_t kZORLargestRequestBody = std::size_t{1} << 20;
inline constexpr std::size_t kZORMostScriptLines = 10000;
inline constexpr std::size_t kZORMostUndoSteps = 500;
inline constexpr std::size_t kZORMostUndoBytes = std::size_t{64} << 20;
