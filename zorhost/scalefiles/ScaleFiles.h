// A color scale carried to and from other tools' files: GMT color palette tables (.cpt),
// ParaView-style JSON color map presets (.json) and a plain CSV table (.csv).
//
// The CSV table holds the scale whole: its blocks, colors, boundaries, what is imposed, its
// tolerance and undefined color. A .cpt and a .json hold what the scale paints, so that GMT and
// ParaView paint every value as zorhost does: constant ranges, one for each run of values painted
// alike (a blended block as the steps its color takes; a boundary's tolerance band as the color
// the band takes), from the first step to the last, the first and last colors as the B and F
// colors of a .cpt, BelowRangeColor and AboveRangeColor of a .json. Each also carries the CSV
// table as a note its tools pass over (comment lines in a .cpt, a "zorhost" member in a .json), so
// that a file read back gives the same scale. A file without the note imposes every color and
// every boundary, each range taking its start color; a gradient is cut into pieces. Alpha is lost
// to GMT and ParaView (kept in the note); so are more steps than kZORMostPaintedSteps, beyond
// which blended blocks are written as linear ranges.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zorhost/common/Outcome.h"

// A scale's blocks as its tables give them.
struct ZORScaleTable {
  std::vector<ZORRgba> colors;  // n
  std::vector<bool> colorImposed;
  std::vector<double> boundaries;  // n - 1
  std::vector<bool> boundaryImposed;
  std::optional<ZORRgba> undefinedColor;
  // The one the scale evaluates with; a file that gives none, the host's, which new scales take.
  double tolerance = ZORHostSession::kDefaultModelTolerance;
  // The boundaries stand where they lie between the first and the last (fractions of the range),
  // not at their values: a scale moves them all with its extremes.
  bool relative = false;

  int Blocks() const { return static_cast<int>(colors.size()); }
  friend bool operator==(const ZORScaleTable&, const ZORScaleTable&) = default;
};

// Past this many runs of one color, a .cpt or .json writes a blended block as one linear range.
inline constexpr std::size_t kZORMostPaintedSteps = 100000;

enum class ZORScaleFormat { Cpt, Json, Csv };
std::optional<ZORScaleFormat> ZORScaleFormatNamed(std::string_view name);  // cpt, json, csv
std::optional<ZORScaleFormat> ZORScaleFormatOfPath(std::string_view path);  // by its extension

// The file's text; a problem of the input when the format cannot hold the scale: what a reader
// would refuse (boundaries that do not increase or are not finite, color components outside 0 to
// 255), or fewer than three blocks in a .cpt or .json. `name` names the scale inside the file.
ZOROutcome ZORFormatScaleFile(const ZORScaleTable& table, ZORScaleFormat format, const std::string& name,
                              std::string& text);
// What the format keeps of the scale less than whole, a sentence each (alpha, in a .cpt or .json).
std::vector<std::string> ZORScaleFileLosses(const ZORScaleTable& table, ZORScaleFormat format);

// What a file is read for besides its table: which of a JSON file's color maps, by its "Name" (a
// file of one map needs none; one of several without a name is refused, naming them), and what the
// file held that a scale does not keep, a sentence each (ParaView's opacity points).
struct ZORScaleFileRead {
  std::string mapName;
  std::vector<std::string> notes;
  // Whether the boundaries are relative (ZORScaleTable::relative), when the reader is told; else
  // a file's own note says, and a palette without one is relative when it spans 0 to 1 (ParaView's
  // presets, GMT's normalised tables).
  std::optional<bool> relative;
};

// Reads a file's text, after a UTF-8 byte order mark if it starts with one. A problem ("FILE:LINE:
// reason", or the JSON member at fault) on a damaged file; boundaries that do not increase are
// refused, never imposed.
ZOROutcome ZORParseScaleFile(std::string_view text, ZORScaleFormat format, const std::string& fileName,
                             ZORScaleTable& table, ZORScaleFileRead* read = nullptr);
