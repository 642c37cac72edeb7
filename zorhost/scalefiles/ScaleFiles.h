// A color scale carried to and from other tools' files: GMT color palette tables (.cpt),
// ParaView-style JSON color map presets (.json) and a plain CSV table (.csv).
//
// The first and last blocks reach to -inf and +inf, which palettes and color maps cannot hold as
// ranges: a .cpt gives them as its B and F colors, a .json as BelowRangeColor and
// AboveRangeColor; the ranges there are the inner blocks, from the first boundary to the last,
// so those two formats need at least three blocks. A block whose color is imposed is a constant
// range; a blended block runs from its own color to the next block's. Which colors and
// boundaries are imposed is written as a note each format's readers pass over (a comment in a
// .cpt, a "zorhost" member in a .json), so that a file read back gives the same scale; a file
// without the note imposes every color and every boundary, each range taking its start color.
// Alpha is lost in .cpt and .json (opaque on import); the CSV table holds everything.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zorhost/common/Outcome.h"

// A scale's blocks as its tables give them.
struct ZORScaleTable {
  std::vector<ZORRgba> colors;  // n
  std::vector<bool> colorImposed;
  std::vector<double> boundaries;  // n - 1
  std::vector<bool> boundaryImposed;
  std::optional<ZORRgba> undefinedColor;

  int Blocks() const { return static_cast<int>(colors.size()); }
};

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
};

// Reads a file's text, after a UTF-8 byte order mark if it starts with one. A problem ("FILE:LINE:
// reason", or the JSON member at fault) on a damaged file; boundaries that do not increase are
// refused, never imposed.
ZOROutcome ZORParseScaleFile(std::string_view text, ZORScaleFormat format, const std::string& fileName,
                             ZORScaleTable& table, ZORScaleFileRead* read = nullptr);
