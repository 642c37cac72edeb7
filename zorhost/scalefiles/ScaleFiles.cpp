#include "zorhost/scalefiles/ScaleFiles.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "zor/ZORText.h"
#include "zor/ZORHostSession.h"
#include "zorhost/common/Limits.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/palettes/ColorSpaces.h"
#include "zorhost/scalefiles/ColorSteps.h"
#include "zorhost/common/Numbers.h"

namespace {

// One range of a palette: a block between two boundaries, from its start color to its end color.
struct Range {
  double from = 0.0;
  double to = 0.0;
  ZORRgba start;
  ZORRgba end;
};

// What a palette gives besides its ranges.
struct Palette {
  std::vector<Range> ranges;
  std::optional<ZORRgba> below, above, undefined;
  std::optional<std::vector<bool>> colorImposed, boundaryImposed;  // an earlier zorhost note
  std::string tableNote;  // the zorhost note: the scale's CSV table
  ZORColorSpace space = ZORColorSpace::Rgb;  // how a range blends from its start to its end
};

// A range whose colors differ at its ends is cut into at most this many, so that neighbours
// differ by a unit or two of a component: a blend in RGB changes no faster than its ends differ,
// one through another space may change faster on the way.
constexpr int kMostPiecesOfAGradient = 1024;

constexpr const char* kColorsNote = "zorhost colors-imposed:";
constexpr const char* kBoundariesNote = "zorhost boundaries-imposed:";
constexpr const char* kTableNote = "zorhost-table ";

// The CSV table, which the other formats carry as their zorhost note.
std::string FormatCsv(const ZORScaleTable& table);
ZOROutcome ParseCsv(std::string_view text, const std::string& fileName, ZORScaleTable& table);


// The inner blocks as ranges: an imposed color constant, a blended one toward the next block's.
std::vector<Range> InnerRanges(const ZORScaleTable& table) {
  std::vector<Range> ranges;
  for (int k = 2; k <= table.Blocks() - 1; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    ranges.push_back({table.boundaries[at - 1], table.boundaries[at], table.colors[at],
                      table.colorImposed[at] ? table.colors[at] : table.colors[at + 1]});
  }
  return ranges;
}

// The definition a painter paints a table with, as the scale's interface would give it.
ZORScaleDefinition DefinitionOf(const ZORScaleTable& table) {
  ZORScaleDefinition definition;
  definition.blockCount = table.Blocks();
  definition.boundaries = table.boundaries;
  for (std::size_t k = 0; k < table.boundaries.size(); ++k) {
    definition.boundaryIndices.push_back(table.boundaryImposed[k] ? static_cast<int>(k + 1) : -1);
  }
  definition.colors = table.colors;
  for (std::size_t k = 0; k < table.colors.size(); ++k) {
    definition.colorIndices.push_back(table.colorImposed[k] ? static_cast<int>(k + 1) : -1);
  }
  definition.lower = table.boundaries.empty() ? 0.0 : table.boundaries.front();
  definition.upper = table.boundaries.empty() ? 0.0 : table.boundaries.back();
  definition.undefinedColor = table.undefinedColor.value_or(kZORNewScaleUndefinedColor);
  definition.tolerance = table.tolerance;
  return definition;
}

// What the table paints, for other tools: constant ranges, a run of one color each, from the
// first step to the last, and the colors below and above them. Where the steps are too many, the
// inner blocks as linear ranges (InnerRanges), which other tools blend within a unit or two.
struct PaintedRanges {
  std::vector<Range> ranges;
  ZORRgba below, above;
  bool exact = false;
};
PaintedRanges PaintedRangesOf(const ZORScaleTable& table) {
  const ZORScalePainter painter(DefinitionOf(table));
  const std::optional<ZORColorSteps> steps =
      ZORStepsOf(painter, table.undefinedColor.value_or(kZORNewScaleUndefinedColor));
  PaintedRanges painted{{}, table.colors.front(), table.colors.back(), false};
  // A blend past 0 or 255 (boundaries a float cannot tell apart) clamped, as pictures are.
  auto clamped = [](ZORRgba c) {
    for (int* component : {&c.red, &c.green, &c.blue, &c.alpha}) *component = std::clamp(*component, 0, 255);
    return c;
  };
  if (steps && steps->colors.size() >= 3 && steps->colors.size() <= kZORMostPaintedSteps) {
    for (std::size_t k = 1; k + 1 < steps->colors.size(); ++k) {
      const ZORRgba color = clamped(steps->colors[k]);
      if (!painted.ranges.empty() && painted.ranges.back().start == color) {
        painted.ranges.back().to = steps->thresholds[k];
      } else {
        painted.ranges.push_back({steps->thresholds[k - 1], steps->thresholds[k], color, color});
      }
    }
    painted.below = clamped(steps->colors.front());
    painted.above = clamped(steps->colors.back());
    painted.exact = true;
    return painted;
  }
  painted.ranges = InnerRanges(table);
  return painted;
}

// The ranges of a palette without the zorhost note as the scale can hold them, each of one
// color: a gradient (a range whose colors differ at its ends) cut into even pieces, each the
// color its blend takes at its middle, pieces of one color made one. The pieces are as many as
// the largest change of a component in RGB, kMostPiecesOfAGradient in other spaces, fewer when
// the palette's blocks would pass kZORMostBlocks.
std::vector<Range> ConstantRanges(const Palette& palette) {
  const auto gradients = static_cast<int>(std::count_if(
      palette.ranges.begin(), palette.ranges.end(), [](const Range& range) { return !(range.start == range.end); }));
  const int constants = static_cast<int>(palette.ranges.size()) - gradients;
  const int budget = gradients == 0 ? 1 : std::max(1, (kZORMostBlocks - 2 - constants) / gradients);
  std::vector<Range> ranges;
  for (const Range& range : palette.ranges) {
    if (range.start == range.end) {
      ranges.push_back(range);
      continue;
    }
    int change = 0;
    for (auto component : {&ZORRgba::red, &ZORRgba::green, &ZORRgba::blue}) {
      change = std::max(change, std::abs(range.end.*component - range.start.*component));
    }
    // A blend through another space may stray further than its ends differ; a range too wide for
    // a double's difference stays whole.
    const int pieces = !std::isfinite(range.to - range.from)
                           ? 1
                           : std::min({palette.space == ZORColorSpace::Rgb ? change : kMostPiecesOfAGradient,
                                       kMostPiecesOfAGradient, budget});
    bool pieceMade = false;
    for (int j = 0; j < pieces; ++j) {
      const double from = j == 0 ? range.from : range.from + (range.to - range.from) * (static_cast<double>(j) / pieces);
      const double to = j + 1 == pieces ? range.to : range.from + (range.to - range.from) * (static_cast<double>(j + 1) / pieces);
      const ZORRgba color = ZORBlendColors(palette.space, range.start, range.end, (j + 0.5) / pieces);
      if (!(to > from)) continue;  // a range too narrow for so many pieces
      if (pieceMade && ranges.back().start == color) {
        ranges.back().to = to;  // the same color as the piece before
      } else {
        ranges.push_back({from, to, color, color});
        pieceMade = true;
      }
    }
  }
  return ranges;
}

// The table a palette gives: a block for each range between the below and above blocks, the
// imposed flags from the note; without it, every color and boundary imposed, gradients cut into
// pieces (ConstantRanges).
ZOROutcome TableOfPalette(Palette palette, const std::string& where, ZORScaleTable& table) {
  if (palette.ranges.empty()) return ZORBadInput(where + ": no color range");
  // Beyond the ranges, the colors at their ends unless the palette gives others.
  const ZORRgba below = palette.below.value_or(palette.ranges.front().start);
  const ZORRgba above = palette.above.value_or(palette.ranges.back().end);
  if (!palette.colorImposed && !palette.boundaryImposed) palette.ranges = ConstantRanges(palette);
  if (palette.ranges.size() + 2 > static_cast<std::size_t>(kZORMostBlocks)) {
    return ZORBadInput(where + ": more than " + std::to_string(kZORMostBlocks) + " blocks");
  }
  table = {};
  table.colors.push_back(below);
  for (const Range& range : palette.ranges) table.colors.push_back(range.start);
  table.colors.push_back(above);
  table.boundaries.push_back(palette.ranges.front().from);
  for (const Range& range : palette.ranges) table.boundaries.push_back(range.to);
  table.undefinedColor = palette.undefined;
  const std::size_t n = table.colors.size();
  table.colorImposed = palette.colorImposed.value_or(std::vector<bool>(n, true));
  table.boundaryImposed = palette.boundaryImposed.value_or(std::vector<bool>(n - 1, true));
  if (table.colorImposed.size() != n || table.boundaryImposed.size() != n - 1) {
    return ZORBadInput(where + ": the zorhost note lists " +
                           std::to_string(table.colorImposed.size()) + " colors and " +
                           std::to_string(table.boundaryImposed.size()) + " boundaries for " +
                           std::to_string(n) + " blocks");
  }
  return std::nullopt;
}

// Each range must start where the one before ended, and end above where it starts.
ZOROutcome CheckRange(const Range& range, const Range* previous, const std::string& where) {
  if (!std::isfinite(range.from) || !std::isfinite(range.to)) {
    return ZORBadInput(where + ": a boundary is not a finite number");
  }
  if (previous && range.from != previous->to) {
    return ZORBadInput(where + ": the range starts at " + ZORExactNumber(range.from) +
                           ", not where the one before ends, " + ZORExactNumber(previous->to));
  }
  if (!(range.to > range.from)) {
    return ZORBadInput(where + ": the range from " + ZORExactNumber(range.from) + " to " +
                           ZORExactNumber(range.to) + " does not increase");
  }
  return std::nullopt;
}

// The lines of a text, each without its end (\n or \r\n), and where each is in its file.
class Lines {
 public:
  Lines(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}
  bool Next(std::string_view& line) {
    if (text_.empty()) return false;
    const std::size_t newline = text_.find('\n');
    line = text_.substr(0, newline);
    text_.remove_prefix(newline == std::string_view::npos ? text_.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number_;
    return true;
  }
  int ZORExactNumber() const { return number_; }
  std::string Where() const { return fileName_ + ":" + std::to_string(number_); }

 private:
  std::string_view text_;
  const std::string& fileName_;
  int number_ = 0;
};

// ---- .cpt ----

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(line)};
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::optional<int> Component(std::string_view word) {
  const std::optional<double> value = ZORReadDouble(word);
  if (!value || !(*value >= 0.0 && *value <= 255.0)) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

// A color written as one word in GMT's other notations: a name, #rrggbb or H-S-V.
std::optional<ZORRgba> CptWordColor(const std::string& word) {
  if (std::optional<ZORRgba> named = ZORNamedColor(word)) return named;
  if (std::optional<ZORRgba> hex = ZORHexColor(word)) return hex;
  const std::size_t dash = word.find('-', 1);
  const std::size_t second = dash == std::string::npos ? dash : word.find('-', dash + 1);
  if (second == std::string::npos) return std::nullopt;
  const std::optional<double> hue = ZORReadDouble(word.substr(0, dash));
  const std::optional<double> saturation = ZORReadDouble(word.substr(dash + 1, second - dash - 1));
  const std::optional<double> value = ZORReadDouble(word.substr(second + 1));
  if (!hue || !saturation || !value || !(*hue >= 0.0 && *hue <= 360.0) || !(*saturation >= 0.0 && *saturation <= 1.0) ||
      !(*value >= 0.0 && *value <= 1.0)) {
    return std::nullopt;
  }
  return ZORColorOfHsv(*hue, *saturation, *value);
}

// A color as R/G/B, R G B, one gray level, a name, #rrggbb or H-S-V, from `words` at `at`; moves
// `at` past it.
std::optional<ZORRgba> CptColor(const std::vector<std::string>& words, std::size_t& at,
                                bool threeWords) {
  if (!threeWords && at < words.size()) {
    if (std::optional<ZORRgba> color = CptWordColor(words[at])) {
      ++at;
      return color;
    }
  }
  std::vector<std::string> parts;
  if (threeWords) {
    if (at + 3 > words.size()) return std::nullopt;
    parts.assign(words.begin() + static_cast<std::ptrdiff_t>(at),
                 words.begin() + static_cast<std::ptrdiff_t>(at + 3));
    at += 3;
  } else {
    if (at >= words.size()) return std::nullopt;
    std::string word = words[at++];
    std::replace(word.begin(), word.end(), '/', ' ');
    parts = Words(word);
    if (parts.size() == 1) parts = {parts[0], parts[0], parts[0]};
  }
  if (parts.size() != 3) return std::nullopt;
  ZORRgba color{0, 0, 0, 255};
  int* components[] = {&color.red, &color.green, &color.blue};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::optional<int> c = Component(parts[i]);
    if (!c) return std::nullopt;
    *components[i] = *c;
  }
  return color;
}

std::optional<std::vector<bool>> NoteFlags(std::string_view text) {
  std::vector<bool> flags;
  for (const std::string& word : Words(text)) {
    if (word != "0" && word != "1") return std::nullopt;
    flags.push_back(word == "1");
  }
  return flags;
}

// A comment line: the zorhost note or the color model; other comments are passed over.
ZOROutcome ReadCptComment(std::string_view comment, const std::string& where, Palette& palette) {
  const std::size_t start = comment.find_first_not_of(" \t");
  comment.remove_prefix(std::min(start, comment.size()));
  if (comment.rfind(kTableNote, 0) == 0) {
    palette.tableNote += std::string(comment.substr(std::string_view(kTableNote).size())) + "\n";
    return std::nullopt;
  }
  for (auto [note, flags] : {std::pair{kColorsNote, &palette.colorImposed},
                             std::pair{kBoundariesNote, &palette.boundaryImposed}}) {
    if (comment.rfind(note, 0) != 0) continue;
    *flags = NoteFlags(comment.substr(std::string_view(note).size()));
    if (!*flags) return ZORBadInput(where + ": the zorhost note takes flags 0 or 1");
    return std::nullopt;
  }
  if (comment.rfind("COLOR_MODEL", 0) == 0) {
    const std::size_t equals = comment.find('=');
    const std::vector<std::string> model =
        Words(equals == std::string_view::npos ? std::string_view() : comment.substr(equals + 1));
    if (model.size() != 1 || (model[0] != "RGB" && model[0] != "rgb" && model[0] != "+RGB")) {
      return ZORBadInput(where + ": only the RGB color model is read");
    }
  }
  return std::nullopt;
}

ZOROutcome ReadCptLine(const std::vector<std::string>& words, const std::string& where, Palette& palette) {
  const std::string& first = words.front();
  if (first == "B" || first == "F" || first == "N") {
    if (words.size() == 2 && words[1] == "-") return std::nullopt;  // no color given
    std::size_t at = 1;
    const std::optional<ZORRgba> color = CptColor(words, at, words.size() == 4);
    if (!color || at != words.size()) {
      return ZORBadInput(where + ": " + first + " needs a color R G B, R/G/B, a gray level 0 to 255, a name, #rrggbb or H-S-V");
    }
    (first == "B" ? palette.below : first == "F" ? palette.above : palette.undefined) = color;
    return std::nullopt;
  }
  std::vector<std::string> fields = words;
  // An annotation flag (L, U or B) may end a range.
  if (fields.size() % 2 == 1 && (fields.back() == "L" || fields.back() == "U" || fields.back() == "B")) {
    fields.pop_back();
  }
  if (fields.size() != 4 && fields.size() != 8) {
    return ZORBadInput(where + ": a range is 'z0 color z1 color', each color R G B, R/G/B, a gray level, a name, #rrggbb or H-S-V");
  }
  const bool threeWords = fields.size() == 8;
  Range range;
  std::size_t at = 0;
  const std::optional<double> from = ZORReadDouble(fields[at++]);
  const std::optional<ZORRgba> start = CptColor(fields, at, threeWords);
  const std::optional<double> to = at < fields.size() ? ZORReadDouble(fields[at++]) : std::nullopt;
  const std::optional<ZORRgba> end = CptColor(fields, at, threeWords);
  if (!from || !to) return ZORBadInput(where + ": a range's ends must be numbers");
  if (!start || !end) {
    return ZORBadInput(where + ": a color must be R G B, R/G/B or a gray level (each from 0 to 255), a name, #rrggbb or H-S-V");
  }
  range = {*from, *to, *start, *end};
  if (ZOROutcome problem = CheckRange(range, palette.ranges.empty() ? nullptr : &palette.ranges.back(), where)) {
    return problem;
  }
  palette.ranges.push_back(range);
  return std::nullopt;
}

// Where a comment starts: at a '#' that does not begin a #rrggbb color.
std::size_t CommentStart(std::string_view line) {
  for (std::size_t hash = line.find('#'); hash != std::string_view::npos; hash = line.find('#', hash + 1)) {
    const std::size_t end = line.find_first_of(" \t", hash);
    const bool atWordStart = hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t';
    if (!atWordStart || !ZORHexColor(line.substr(hash, end == std::string_view::npos ? end : end - hash))) return hash;
  }
  return std::string_view::npos;
}

ZOROutcome ParseCpt(std::string_view text, const std::string& fileName, ZORScaleTable& table) {
  Palette palette;
  Lines lines(text, fileName);
  for (std::string_view line; lines.Next(line);) {
    const std::string where = lines.Where();
    if (line.find('\0') != std::string_view::npos) return ZORBadInput(where + ": not text");
    const std::size_t hash = CommentStart(line);
    if (hash != std::string_view::npos) {
      if (ZOROutcome problem = ReadCptComment(line.substr(hash + 1), where, palette)) return problem;
      line = line.substr(0, hash);
    }
    line = line.substr(0, line.find(';'));  // a label
    const std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    if (ZOROutcome problem = ReadCptLine(words, where, palette)) return problem;
  }
  if (!palette.tableNote.empty()) return ParseCsv(palette.tableNote, fileName + " (its zorhost table)", table);
  if (palette.ranges.size() + 2 > static_cast<std::size_t>(kZORMostBlocks)) {
    return ZORBadInput(fileName + ": more than " + std::to_string(kZORMostBlocks) + " blocks");
  }
  return TableOfPalette(palette, fileName, table);
}

std::string CptColorText(const ZORRgba& c) {
  return std::to_string(c.red) + "/" + std::to_string(c.green) + "/" + std::to_string(c.blue);
}

std::string FormatCpt(const ZORScaleTable& table, const std::string& name) {
  const PaintedRanges painted = PaintedRangesOf(table);
  std::string text = "# " + name + ": a color scale of " + std::to_string(table.Blocks()) +
                     " blocks written by zorhost, as it paints (a range from z0 up to below z1 in one color;\n"
                     "# below the first range B, from the last on F); the scale whole in its zorhost table:\n";
  std::istringstream csv(FormatCsv(table));
  for (std::string line; std::getline(csv, line);) text += "# " + std::string(kTableNote) + line + "\n";
  text += "# COLOR_MODEL = RGB\n";
  for (const Range& range : painted.ranges) {
    text += ZORExactNumber(range.from) + "\t" + CptColorText(range.start) + "\t" + ZORExactNumber(range.to) +
            "\t" + CptColorText(range.end) + "\n";
  }
  text += "B\t" + CptColorText(painted.below) + "\n";
  text += "F\t" + CptColorText(painted.above) + "\n";
  if (table.undefinedColor) text += "N\t" + CptColorText(*table.undefinedColor) + "\n";
  return text;
}

// ---- .json ----

using nlohmann::json;

json JsonColor(const ZORRgba& c) { return json::array({c.red / 255.0, c.green / 255.0, c.blue / 255.0}); }

std::optional<ZORRgba> ReadJsonColor(const json& value) {
  if (!value.is_array() || value.size() < 3) return std::nullopt;
  ZORRgba color{0, 0, 0, 255};
  int* components[] = {&color.red, &color.green, &color.blue};
  for (std::size_t i = 0; i < 3; ++i) {
    if (!value[i].is_number()) return std::nullopt;
    const double c = value[i].get<double>();
    if (!(c >= 0.0 && c <= 1.0)) return std::nullopt;
    *components[i] = static_cast<int>(std::lround(c * 255.0));
  }
  return color;
}

// A constant range ends a double below where the next begins (the last, a double below the above
// range color's first value), so that a color map's linear interpolation between its points
// paints every double of it in its color.
std::string FormatJson(const ZORScaleTable& table, const std::string& name) {
  const PaintedRanges painted = PaintedRangesOf(table);
  json points = json::array();
  auto point = [&points](double x, const ZORRgba& color) {
    points.push_back(x);
    for (const json& c : JsonColor(color)) points.push_back(c);
  };
  for (const Range& range : painted.ranges) {
    point(range.from, range.start);
    const double end = painted.exact ? std::nextafter(range.to, -HUGE_VAL) : range.to;
    if (end > range.from) point(end, range.end);
  }
  json map = {{"Name", name},
              {"ColorSpace", "RGB"},
              {"RGBPoints", points},
              {"BelowRangeColor", JsonColor(painted.below)},
              {"AboveRangeColor", JsonColor(painted.above)},
              {"UseBelowRangeColor", 1},
              {"UseAboveRangeColor", 1},
              {"zorhost", {{"table", FormatCsv(table)}}}};
  if (table.undefinedColor) map["NanColor"] = JsonColor(*table.undefinedColor);
  return json::array({map}).dump(1) + "\n";
}

// The line a byte offset falls on, for a parse error.
int LineOf(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

std::optional<std::vector<bool>> JsonFlags(const json& map, const char* key) {
  if (!map.contains("zorhost") || !map["zorhost"].is_object() || !map["zorhost"].contains(key)) {
    return std::nullopt;
  }
  std::vector<bool> flags;
  for (const json& flag : map["zorhost"][key]) {
    flags.push_back(flag.is_number_integer() && flag.get<long>() != 0);
  }
  return flags;
}

// The color map of `document` (one, or one of a list) that `read` asks for.
ZOROutcome ChosenMap(const json& document, const std::string& fileName, const ZORScaleFileRead* read,
                     const json*& chosen) {
  chosen = &document;
  if (!document.is_array()) return std::nullopt;
  if (document.empty()) return ZORBadInput(fileName + ": an empty list of color maps");
  const std::string wanted = read != nullptr ? read->mapName : std::string();
  std::string names;
  for (const json& map : document) {
    const std::string name = map.is_object() && map.contains("Name") && map["Name"].is_string()
                                 ? map["Name"].get<std::string>()
                                 : std::string();
    if (!wanted.empty() && name == wanted) {
      chosen = &map;
      return std::nullopt;
    }
    names += (names.empty() ? "" : ", ") + std::string("'") + ZORPrintable(name) + "'";
  }
  if (wanted.empty() && document.size() == 1) {
    chosen = &document[0];
    return std::nullopt;
  }
  return ZORBadInput(fileName + ": " +
                     (wanted.empty() ? "holds " + std::to_string(document.size()) + " color maps, " + names +
                                           ": name the one to read"
                                     : "holds no color map named '" + ZORPrintable(wanted) + "', only " + names));
}

ZOROutcome ParseJson(std::string_view text, const std::string& fileName, ZORScaleTable& table,
                     ZORScaleFileRead* read) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    return ZORBadInput(fileName + ":" + std::to_string(LineOf(text, e.byte > 0 ? e.byte - 1 : 0)) +
                           ": not JSON (" + e.what() + ")");
  } catch (const json::exception& e) {  // a number out of a double's range, say
    return ZORBadInput(fileName + ": not JSON that can be read (" + e.what() + ")");
  }
  const json* map = nullptr;
  if (ZOROutcome problem = ChosenMap(document, fileName, read, map)) return problem;
  if (!map->is_object() || !map->contains("RGBPoints") || !(*map)["RGBPoints"].is_array()) {
    return ZORBadInput(fileName + ": no color map with RGBPoints");
  }
  Palette palette;
  if (map->contains("ColorSpace")) {
    const json& space = (*map)["ColorSpace"];
    const std::optional<ZORColorSpace> named =
        space.is_string() ? ZORColorSpaceNamed(space.get<std::string>()) : std::nullopt;
    if (!named) return ZORBadInput(fileName + ": ColorSpace must be RGB, Lab or Diverging");
    palette.space = *named;
  }
  const json& points = (*map)["RGBPoints"];
  if (points.size() % 4 != 0 || points.size() < 8) {
    return ZORBadInput(fileName + ": RGBPoints must hold at least two points of four numbers each");
  }
  std::optional<double> previousX;
  std::optional<ZORRgba> previousColor;
  for (std::size_t i = 0; i < points.size(); i += 4) {
    const std::string where = fileName + ": RGBPoints point " + std::to_string(i / 4 + 1);
    if (!points[i].is_number()) return ZORBadInput(where + ": x is not a number");
    const double x = points[i].get<double>();
    const std::optional<ZORRgba> color = ReadJsonColor(json::array({points[i + 1], points[i + 2], points[i + 3]}));
    if (!color) return ZORBadInput(where + ": a color component is not a number from 0 to 1");
    if (previousX && x < *previousX) {
      return ZORBadInput(where + ": x " + ZORExactNumber(x) + " is below the point before, " + ZORExactNumber(*previousX));
    }
    // Two points at one x end one range and start the next.
    if (previousX && x > *previousX) {
      Range range{*previousX, x, *previousColor, *color};
      if (ZOROutcome problem = CheckRange(range, palette.ranges.empty() ? nullptr : &palette.ranges.back(), where)) {
        return problem;
      }
      palette.ranges.push_back(range);
    }
    previousX = x;
    previousColor = color;
    if (palette.ranges.size() + 2 > static_cast<std::size_t>(kZORMostBlocks)) {
      return ZORBadInput(where + ": more than " + std::to_string(kZORMostBlocks) + " blocks");
    }
  }
  for (auto [key, color] : {std::pair{"BelowRangeColor", &palette.below},
                            std::pair{"AboveRangeColor", &palette.above},
                            std::pair{"NanColor", &palette.undefined}}) {
    if (!map->contains(key)) continue;
    *color = ReadJsonColor((*map)[key]);
    if (!*color) return ZORBadInput(fileName + ": " + key + " is not a color of numbers from 0 to 1");
  }
  if (map->contains("zorhost") && (*map)["zorhost"].is_object() && (*map)["zorhost"].contains("table")) {
    const json& note = (*map)["zorhost"]["table"];
    if (!note.is_string()) return ZORBadInput(fileName + ": the zorhost table is not text");
    return ParseCsv(note.get<std::string>(), fileName + " (its zorhost table)", table);
  }
  palette.colorImposed = JsonFlags(*map, "colorsImposed");
  palette.boundaryImposed = JsonFlags(*map, "boundariesImposed");
  if (read != nullptr && map->contains("Points") && (*map)["Points"].is_array() && !(*map)["Points"].empty()) {
    read->notes.push_back("the color map's opacity points (Points) are not kept: a scale's blocks carry "
                          "their own alpha, opaque on import");
  }
  return TableOfPalette(palette, fileName, table);
}

// ---- .csv ----

constexpr const char* kCsvHeader = "block,from,to,red,green,blue,alpha,imposed,boundary_imposed";
// Rows after the blocks: the undefined color, and the tolerance the scale evaluates with.
constexpr const char* kUndefinedRow = "undefined";
constexpr const char* kToleranceRow = "tolerance";
constexpr const char* kBoundariesRow = "boundaries";  // relative or absolute (the default)

std::vector<std::string> Cells(std::string_view line) {
  std::vector<std::string> cells;
  for (;;) {
    const std::size_t comma = line.find(',');
    cells.emplace_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return cells;
    line.remove_prefix(comma + 1);
  }
}

std::string CsvColor(const ZORRgba& c) {
  return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) +
         "," + std::to_string(c.alpha);
}

std::string FormatCsv(const ZORScaleTable& table) {
  std::string text = std::string(kCsvHeader) + "\n";
  const int n = table.Blocks();
  for (int k = 1; k <= n; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    const bool hasUpper = k < n;
    text += std::to_string(k) + "," + (k == 1 ? "-inf" : ZORExactNumber(table.boundaries[at - 1])) + "," +
            (hasUpper ? ZORExactNumber(table.boundaries[at]) : "inf") + "," + CsvColor(table.colors[at]) +
            "," + (table.colorImposed[at] ? "1" : "0") + "," +
            (hasUpper ? (table.boundaryImposed[at] ? "1" : "0") : "") + "\n";
  }
  if (table.undefinedColor) {
    text += std::string(kUndefinedRow) + ",,," + CsvColor(*table.undefinedColor) + ",,\n";
  }
  text += std::string(kToleranceRow) + "," + ZORExactNumber(table.tolerance) + ",,,,,,,\n";
  if (table.relative) text += std::string(kBoundariesRow) + ",relative,,,,,,,\n";
  return text;
}

std::optional<ZORRgba> CsvRowColor(const std::vector<std::string>& cells) {
  ZORRgba color;
  int* components[] = {&color.red, &color.green, &color.blue, &color.alpha};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<int> c = ZORReadInt(cells[3 + i]);
    if (!c || *c < 0 || *c > 255) return std::nullopt;
    *components[i] = *c;
  }
  return color;
}

std::optional<bool> CsvFlag(const std::string& cell) {
  if (cell == "0" || cell == "1") return cell == "1";
  return std::nullopt;
}

ZOROutcome ParseCsv(std::string_view text, const std::string& fileName, ZORScaleTable& table) {
  table = {};
  bool blocksEnded = false;  // a row after the blocks seen
  std::optional<double> previousTo;
  Lines lines(text, fileName);
  for (std::string_view line; lines.Next(line);) {
    const std::string where = lines.Where();
    if (lines.ZORExactNumber() == 1) {
      if (line != kCsvHeader) return ZORBadInput(where + ": the first line must be " + kCsvHeader);
      continue;
    }
    if (line.empty()) continue;
    const std::vector<std::string> cells = Cells(line);
    if (cells.size() != 9) return ZORBadInput(where + ": a row has 9 cells, not " + std::to_string(cells.size()));
    if (cells[0] == kBoundariesRow) {
      if (cells[1] != "relative" && cells[1] != "absolute") return ZORBadInput(where + ": boundaries are relative or absolute");
      table.relative = cells[1] == "relative";
      blocksEnded = true;
      continue;
    }
    if (cells[0] == kToleranceRow) {
      const std::optional<double> tolerance = ZORReadDouble(cells[1]);
      if (!tolerance || !(*tolerance >= 0.0) || !std::isfinite(*tolerance)) {
        return ZORBadInput(where + ": the tolerance is a finite number, 0 or more");
      }
      table.tolerance = *tolerance;
      blocksEnded = true;
      continue;
    }
    const std::optional<ZORRgba> color = CsvRowColor(cells);
    if (!color) return ZORBadInput(where + ": red, green, blue and alpha are whole numbers from 0 to 255");
    if (cells[0] == kUndefinedRow) {
      table.undefinedColor = color;
      blocksEnded = true;
      continue;
    }
    if (blocksEnded) return ZORBadInput(where + ": the undefined and tolerance rows come after every block");
    const int block = table.Blocks() + 1;
    if (block > kZORMostBlocks) {
      return ZORBadInput(where + ": more than " + std::to_string(kZORMostBlocks) + " blocks");
    }
    if (cells[0] != std::to_string(block)) {
      return ZORBadInput(where + ": expected block " + std::to_string(block) + ", not '" + ZORPrintable(cells[0]) + "'");
    }
    const std::optional<double> from = ZORReadDouble(cells[1]);
    const std::optional<double> to = ZORReadDouble(cells[2]);
    const std::optional<bool> imposed = CsvFlag(cells[7]);
    if (!from || !to || std::isnan(*from) || std::isnan(*to)) {
      return ZORBadInput(where + ": from and to must be numbers");
    }
    if (!imposed) return ZORBadInput(where + ": imposed is 0 or 1");
    if (block == 1 ? *from != -HUGE_VAL : *from != *previousTo) {
      return ZORBadInput(where + ": the block starts at " + ZORExactNumber(*from) + ", not where the one before ends, " +
                             (block == 1 ? std::string("-inf") : ZORExactNumber(*previousTo)));
    }
    if (!(*to > *from)) {
      return ZORBadInput(where + ": the block from " + ZORExactNumber(*from) + " to " + ZORExactNumber(*to) + " does not increase");
    }
    table.colors.push_back(*color);
    table.colorImposed.push_back(*imposed);
    if (std::isfinite(*to)) {
      const std::optional<bool> boundaryImposed = CsvFlag(cells[8]);
      if (!boundaryImposed) return ZORBadInput(where + ": boundary_imposed is 0 or 1");
      table.boundaries.push_back(*to);
      table.boundaryImposed.push_back(*boundaryImposed);
    } else if (*to != HUGE_VAL) {
      return ZORBadInput(where + ": to must be a finite number, or inf for the last block");
    }
    previousTo = *to;
  }
  if (table.colors.empty()) return ZORBadInput(fileName + ": no block");
  if (*previousTo != HUGE_VAL) return ZORBadInput(fileName + ": the last block must reach to inf");
  return std::nullopt;
}

}  // namespace


std::optional<ZORScaleFormat> ZORScaleFormatNamed(std::string_view name) {
  if (name == "cpt") return ZORScaleFormat::Cpt;
  if (name == "json") return ZORScaleFormat::Json;
  if (name == "csv") return ZORScaleFormat::Csv;
  return std::nullopt;
}

std::optional<ZORScaleFormat> ZORScaleFormatOfPath(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return std::nullopt;
  }
  std::string extension(path.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ZORScaleFormatNamed(extension);
}

namespace {

bool InComponentRange(const ZORRgba& c) {
  for (int component : {c.red, c.green, c.blue, c.alpha}) {
    if (component < 0 || component > 255) return false;
  }
  return true;
}

// Why no file can hold the scale so that it reads back the same, or empty: what the readers
// refuse (boundaries that do not increase or are not finite, components outside 0 to 255).
std::string WhyNoFileHolds(const ZORScaleTable& table) {
  for (std::size_t at = 0; at < table.boundaries.size(); ++at) {
    const double boundary = table.boundaries[at];
    if (!std::isfinite(boundary)) {
      return "boundary " + std::to_string(at + 1) + " is " + ZORExactNumber(boundary) +
             ", not a finite number";
    }
    if (at > 0 && !(boundary > table.boundaries[at - 1])) {
      return "boundaries " + std::to_string(at) + " and " + std::to_string(at + 1) + " are " +
             ZORExactNumber(table.boundaries[at - 1]) + " and " + ZORExactNumber(boundary) +
             ": a file holds boundaries that increase";
    }
  }
  for (std::size_t at = 0; at < table.colors.size(); ++at) {
    if (!InComponentRange(table.colors[at])) {
      return "the color of block " + std::to_string(at + 1) + " has a component outside 0 to 255";
    }
  }
  if (table.undefinedColor && !InComponentRange(*table.undefinedColor)) {
    return "the undefined color has a component outside 0 to 255";
  }
  return {};
}

}  // namespace

std::vector<std::string> ZORScaleFileLosses(const ZORScaleTable& table, ZORScaleFormat format) {
  if (format == ZORScaleFormat::Csv) return {};
  const char* tools = format == ZORScaleFormat::Cpt ? "GMT, reading the .cpt," : "ParaView, reading the .json,";
  const auto translucent = std::count_if(table.colors.begin(), table.colors.end(),
                                         [](const ZORRgba& c) { return c.alpha != 255; });
  std::vector<std::string> losses;
  if (translucent > 0 || (table.undefinedColor && table.undefinedColor->alpha != 255)) {
    losses.push_back(std::string(tools) + " takes no alpha: " + std::to_string(translucent) +
                     " of the block colors" + (table.undefinedColor && table.undefinedColor->alpha != 255 ? " and the undefined color" : "") +
                     " are not opaque there (zorhost reads them back whole from the file's zorhost table)");
  }
  if (!PaintedRangesOf(table).exact) {
    losses.push_back(std::string(tools) + " blends the blended blocks linearly, within a unit or two of what zorhost "
                     "paints: the scale paints more than " + std::to_string(kZORMostPaintedSteps) + " runs of one color");
  }
  return losses;
}

ZOROutcome ZORFormatScaleFile(const ZORScaleTable& table, ZORScaleFormat format, const std::string& name,
                              std::string& text) {
  if (table.Blocks() < 1) return ZORBadInput("the scale has no blocks");
  if (std::string why = WhyNoFileHolds(table); !why.empty()) {
    return ZORBadInput("no scale file can hold this scale: " + why);
  }
  if (format != ZORScaleFormat::Csv && table.Blocks() < 3) {
    return ZORBadInput(std::string("a ") + (format == ZORScaleFormat::Cpt ? ".cpt" : ".json") +
                       " holds the blocks between the first and the last boundary; a scale of " +
                       std::to_string(table.Blocks()) + " blocks has none: write it as .csv");
  }
  switch (format) {
    case ZORScaleFormat::Cpt:
      text = FormatCpt(table, name);
      break;
    case ZORScaleFormat::Json:
      text = FormatJson(table, name);
      break;
    case ZORScaleFormat::Csv:
      text = FormatCsv(table);
      break;
  }
  return std::nullopt;
}

namespace {

// Whether a file without zorhost's note gave its boundaries relative: spanning 0 to 1 exactly.
bool SpansZeroToOne(const ZORScaleTable& table) {
  return table.boundaries.size() >= 2 && table.boundaries.front() == 0.0 && table.boundaries.back() == 1.0;
}

bool HasNote(std::string_view text, ZORScaleFormat format) {
  return format == ZORScaleFormat::Csv || text.find(kTableNote) != std::string_view::npos ||
         (format == ZORScaleFormat::Json && text.find("\"zorhost\"") != std::string_view::npos);
}

}  // namespace

ZOROutcome ZORParseScaleFile(std::string_view text, ZORScaleFormat format, const std::string& fileName,
                             ZORScaleTable& table, ZORScaleFileRead* read) {
  // Editors on some systems start text files with a UTF-8 byte order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  ZOROutcome problem;
  switch (format) {
    case ZORScaleFormat::Cpt:
      problem = ParseCpt(text, fileName, table);
      break;
    case ZORScaleFormat::Json:
      problem = ParseJson(text, fileName, table, read);
      break;
    case ZORScaleFormat::Csv:
      problem = ParseCsv(text, fileName, table);
      break;
  }
  if (problem) return problem;
  if (!HasNote(text, format) && SpansZeroToOne(table)) {
    table.relative = true;
    if (read != nullptr && !read->relative) {
      read->notes.push_back("its boundaries span 0 to 1: read as relative, each where it lies between the extremes, "
                            "stretched with them (--absolute keeps them at their values)");
    }
  }
  if (read != nullptr && read->relative) table.relative = *read->relative;
  return std::nullopt;
}
