#include "zorhost/figure/LegendLayout.h"

#include <algorithm>
#include <cmath>

#include "zorhost/common/Numbers.h"

namespace {

// The layout, in pixels. Text is monospaced, so that its width is known.
constexpr int kMargin = 16;
constexpr int kTitleSize = 15;
constexpr int kTitleBaseline = 26;
constexpr int kPictureTop = 40;
constexpr int kLegendGap = 28;  // between the picture and the legend
constexpr int kFontSize = 12;
constexpr int kLineHeight = 18;
constexpr int kRowHeight = 22;
constexpr int kSwatchWidth = 32;
constexpr int kSwatchHeight = 18;
constexpr int kColumnGap = 14;
constexpr ZORRgba kGray{68, 68, 68, 255};
// Up to this many blocks the legend is a table, a row a block; beyond, a color bar with every
// k-th boundary labelled, at least kTickSpacing apart.
constexpr int kLargestTable = 24;
constexpr int kBarWidth = 36;
constexpr int kBarShortest = 320;
constexpr int kBarTallest = 640;
constexpr int kTickSpacing = 18;
constexpr int kTickLength = 6;
constexpr std::size_t kNoteWidth = 64;  // characters
constexpr int kHistogramWidth = 100;    // a bar of a block holding the whole area
constexpr double kCalloutReach = 44.0;  // from a point to its label
constexpr double kCalloutRadius = 9.0;
constexpr ZORRgba kCalloutColor{20, 20, 20, 255};
constexpr ZORRgba kLabelBackground{255, 255, 255, 230};

// Splits a sentence into lines of about `width` characters, at spaces.
std::vector<std::string> Wrapped(const std::string& sentence, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < sentence.size()) {
    const std::size_t space = std::min(sentence.find(' ', at), sentence.size());
    const std::string word = sentence.substr(at, space - at);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = space + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The legend's marks, placed from (x, y); what it takes grows `width` and `height`.
class LegendPlacer {
 public:
  LegendPlacer(std::vector<ZORFigure::Mark>& marks, int x, int y) : marks_(marks), x_(x), y_(y), top_(y) {}

  // Each mark made in its place in the list (GCC 12 warns of a variant moved in from a temporary).
  template <class Mark>
  void Add(Mark mark) {
    marks_.emplace_back(std::in_place_type<Mark>, std::move(mark));
  }
  int Width() const { return width_; }
  int Height() const { return y_ + height_ - top_; }

  // A section below what is placed, under a heading of its own.
  void Section(const std::string& heading) {
    y_ += height_ + 14;
    height_ = 0;
    Text(x_, y_ + kFontSize, heading, true);
    y_ += kLineHeight + 4;
  }

  void Text(int x, int y, std::string text, bool bold = false, bool alignEnd = false,
            ZORRgba color = {0, 0, 0, 255}) {
    width_ = std::max(width_, (alignEnd ? x : x + ZORFigureTextWidth(text)) - x_);
    Add(ZORFigure::Text{x, y, std::move(text), kFontSize, bold, alignEnd, color});
  }

  // A row a block, block n at the top: its color, its lower boundary, the values it takes, its
  // color's components and how many values it holds.
  void Table(const ZORLegendModel& legend) {
    struct Column {
      const char* heading;
      std::string ZORLegendRow::*text;
    };
    static const Column kColumns[] = {{"lower boundary", &ZORLegendRow::boundary},
                                      {"values", &ZORLegendRow::span},
                                      {"color (r, g, b, a)", &ZORLegendRow::colorText}};
    // The counts of the values painted, when there are any.
    int block = ZORFigureTextWidth("block"), count = legend.counted ? ZORFigureTextWidth("count") : 0;
    int columns[3];
    for (int c = 0; c < 3; ++c) {
      columns[c] = ZORFigureTextWidth(kColumns[c].heading);
      for (const ZORLegendRow& row : legend.rows) columns[c] = std::max(columns[c], ZORFigureTextWidth(row.*kColumns[c].text));
    }
    for (const ZORLegendRow& row : legend.rows) {
      block = std::max(block, ZORFigureTextWidth(std::to_string(row.block)));
      if (legend.counted) count = std::max(count, ZORFigureTextWidth(std::to_string(row.count)));
    }
    // Where each column starts: the block, the three texts, the count.
    int left[5];
    left[0] = x_ + kSwatchWidth + kColumnGap;
    left[1] = left[0] + block + kColumnGap;
    for (int c = 0; c < 3; ++c) left[c + 2] = left[c + 1] + columns[c] + kColumnGap;
    const int heading = y_ + kFontSize;
    Text(left[0], heading, "block", true);
    for (int c = 0; c < 3; ++c) Text(left[c + 1], heading, kColumns[c].heading, true);
    if (legend.counted) Text(left[4] + count, heading, "count", true, true);
    const int histogram = left[4] + count + kColumnGap;
    if (legend.areaShares) Text(histogram, heading, "area", true);
    int rowTop = y_ + kLineHeight + 4;
    for (auto row = legend.rows.rbegin(); row != legend.rows.rend(); ++row) {
      Add(ZORFigure::Swatch{x_, rowTop, kSwatchWidth, kSwatchHeight, row->color, !row->colorImposed});
      const int baseline = rowTop + 14;
      Text(left[0], baseline, std::to_string(row->block));
      Text(left[1], baseline, row->boundary, false, false, kGray);
      Text(left[2], baseline, row->span);
      Text(left[3], baseline, row->colorText);
      if (legend.counted) Text(left[4] + count, baseline, std::to_string(row->count), false, true);
      if (legend.areaShares) AreaBar(histogram, rowTop, *row);
      rowTop += kRowHeight;
    }
    width_ = std::max(width_, left[4] + count - x_);
    height_ = rowTop - y_;
    if (legend.anyInterpolated) {
      Text(x_, rowTop + kFontSize + 4, "* interpolated color (dashed): blended inside its block", false, false, kGray);
      height_ += kLineHeight + 8;
    }
  }

  // A block's share of the area: a bar in its color, as long as the share of kHistogramWidth, and
  // the share.
  void AreaBar(int x, int rowTop, const ZORLegendRow& row) {
    const double share = std::clamp(row.areaShare, 0.0, 100.0);
    const int length = share > 0.0 ? std::max(1, static_cast<int>(std::lround(share / 100.0 * kHistogramWidth))) : 0;
    if (length > 0) Add(ZORFigure::Swatch{x, rowTop + 3, length, kSwatchHeight - 6, row.color, false});
    Text(x + kHistogramWidth + 6, rowTop + 14, ZORShownFixed(share, 1) + " %");
  }

  // The callouts' list: each on a line of its own, a hidden one said so.
  void CalloutList(const std::vector<ZORFigureCallout>& callouts) {
    if (callouts.empty()) return;
    int y = y_ + height_ + 4;
    Text(x_, y + kFontSize, "callouts", true);
    y += kLineHeight;
    for (const ZORFigureCallout& callout : callouts) {
      for (const std::string& line : Wrapped(callout.listed + (callout.seen ? "" : " (hidden in this view)"), kNoteWidth)) {
        Text(x_, y + kFontSize, line);
        y += kLineHeight;
      }
    }
    height_ = y - y_ + 6;
  }

  // A color bar, block n at the top, every k-th boundary labelled.
  void Bar(const ZORLegendModel& legend, int pictureHeight) {
    const int n = legend.blocks;
    const int barHeight = std::clamp(pictureHeight, kBarShortest, kBarTallest);
    const int top = y_ + kLineHeight + 14;
    // A block a pixel, the block at each pixel's middle when there are more blocks than pixels.
    const int rows = std::min(n, barHeight);
    ZORFigure::Strip strip{x_, top, kBarWidth, barHeight, {}};
    for (int row = 0; row < rows; ++row) {
      const int k = n - static_cast<int>((static_cast<long long>(row) * n + n / 2) / rows);
      strip.colors.push_back(legend.rows[static_cast<std::size_t>(std::clamp(k, 1, n) - 1)].color);
    }
    Add(std::move(strip));
    Add(ZORFigure::Frame{x_, top, kBarWidth, barHeight});
    // Boundaries 1 and n - 1 and others spread evenly between them, at least kTickSpacing apart.
    const int labels = std::clamp(barHeight / kTickSpacing + 1, 2, n - 1);
    int previous = 0;
    for (int i = 0; i < labels; ++i) {
      const int k = 1 + static_cast<int>(std::lround(static_cast<double>(i) * (n - 2) / (labels - 1)));
      if (k == previous) continue;
      previous = k;
      const double yk = top + static_cast<double>(n - k) * barHeight / n;
      const ZORLegendRow& above = legend.rows[static_cast<std::size_t>(k)];
      // The value where block k + 1 starts labels boundary k.
      const double start = above.placed ? above.from : above.lowerBoundary;
      Add(ZORFigure::Tick{x_ + kBarWidth, x_ + kBarWidth + kTickLength, yk});
      Text(x_ + kBarWidth + kTickLength + 4, static_cast<int>(yk) + 4,
           ZORShownNumber(start) + (above.lowerBoundaryImposed ? " *" : ""));
    }
    std::string heading = std::to_string(n) + " blocks";
    if (labels < n - 1) heading += ", " + std::to_string(labels) + " of the boundaries labelled";
    Text(x_, y_ + kFontSize, heading + " (* imposed)", true);
    height_ = top + barHeight + 10 - y_;
  }

  // The notes under the legend: undefined values and values without a color, and what a reader
  // must know of the scale.
  void Notes(const ZORLegendModel& legend) {
    int y = y_ + height_ + 6;
    if (legend.undefined > 0 || legend.noColor > 0) {
      y += 4;
      Add(ZORFigure::Swatch{x_, y, kSwatchWidth, kSwatchHeight, legend.undefinedColor, false});
      std::string text = "undefined: " + ZORColorText(legend.undefinedColor) + "; " +
                         std::to_string(legend.undefined) + " values not a number";
      if (legend.noColor > 0) text += ", " + std::to_string(legend.noColor) + " given no block";
      Text(x_ + kSwatchWidth + kColumnGap, y + 14, text);
      y += kRowHeight + 4;
    }
    for (const std::string& note : legend.notes) {
      for (const std::string& line : Wrapped(note, kNoteWidth)) {
        Text(x_, y + kFontSize, line);
        y += kLineHeight;
      }
    }
    height_ = y - y_ + 6;
  }

 private:
  std::vector<ZORFigure::Mark>& marks_;
  int x_, y_;
  int top_;  // where the legend starts
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

int ZORFigureTextWidth(const std::string& text, int size) {
  // DejaVu Sans Mono advances 0.6 em a character; a tenth more leaves room in any viewer's font.
  std::size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80 ? 1 : 0;  // UTF-8 starts
  return static_cast<int>(std::ceil(static_cast<double>(characters) * size * 0.61));
}

namespace {

// The callouts seen, on the picture at (left, top), `width` x `height`: a leader line from each
// point outward, away from the picture's middle, to a numbered disc and the label beside it,
// labels kept inside the picture and apart.
void DrawCallouts(std::vector<ZORFigure::Mark>& marks, int left, int top, int width, int height,
                  const std::vector<ZORFigureCallout>& callouts) {
  std::vector<std::pair<double, double>> placed;
  for (const ZORFigureCallout& callout : callouts) {
    if (!callout.seen) continue;
    const double x = left + callout.x * width, y = top + callout.y * height;
    double dx = callout.x - 0.5, dy = callout.y - 0.5;
    const double length = std::hypot(dx, dy);
    dx = length > 1e-9 ? dx / length : 0.7071;
    dy = length > 1e-9 ? dy / length : -0.7071;
    const int labelWidth = ZORFigureTextWidth(callout.label);
    const double margin = kCalloutRadius + 2.0;
    double lx = std::clamp(x + kCalloutReach * dx, left + margin, left + width - margin);
    double ly = std::clamp(y + kCalloutReach * dy, top + margin, top + height - margin);
    for (const auto& [px, py] : placed) {
      if (std::fabs(px - lx) < 2.0 * kCalloutRadius + labelWidth && std::fabs(py - ly) < 2.0 * kCalloutRadius + 2.0) {
        ly = std::min(ly + 2.0 * kCalloutRadius + 4.0, top + height - margin);
      }
    }
    placed.emplace_back(lx, ly);
    marks.emplace_back(std::in_place_type<ZORFigure::Line>, ZORFigure::Line{x, y, lx, ly, kCalloutColor});
    marks.emplace_back(std::in_place_type<ZORFigure::Disc>, ZORFigure::Disc{x, y, 2.5, kCalloutColor, kCalloutColor});
    marks.emplace_back(std::in_place_type<ZORFigure::Disc>,
                       ZORFigure::Disc{lx, ly, kCalloutRadius, {255, 255, 255, 255}, kCalloutColor});
    const std::string number = std::to_string(callout.number);
    marks.emplace_back(std::in_place_type<ZORFigure::Text>,
                       ZORFigure::Text{static_cast<int>(std::lround(lx - ZORFigureTextWidth(number, 11) / 2.0)),
                                       static_cast<int>(std::lround(ly + 4.0)), number, 11, true});
    // The label on the side away from the point, on a light ground that keeps it legible.
    const bool onLeft = dx < 0.0 && lx - kCalloutRadius - 4 - labelWidth >= left;
    const int labelX = onLeft ? static_cast<int>(lx - kCalloutRadius - 4 - labelWidth) : static_cast<int>(lx + kCalloutRadius + 4);
    marks.emplace_back(std::in_place_type<ZORFigure::Swatch>,
                       ZORFigure::Swatch{labelX - 2, static_cast<int>(ly) - 9, labelWidth + 4, 16, kLabelBackground, false});
    marks.emplace_back(std::in_place_type<ZORFigure::Text>,
                       ZORFigure::Text{labelX, static_cast<int>(ly) + 4, callout.label, kFontSize, false});
  }
}

// The overlay's lines on the picture at (left, top), `width` x `height`, each on a dark line a
// pixel off, so that it reads on a picture painted in its own colors.
void DrawOverlay(std::vector<ZORFigure::Mark>& marks, int left, int top, int width, int height,
                 const ZORFigureOverlay* overlay) {
  if (overlay == nullptr) return;
  constexpr ZORRgba kCasing{30, 30, 30, 255};
  for (const bool casing : {true, false}) {
    const double off = casing ? 1.0 : 0.0;
    for (const ZORFigureOverlay::Piece& piece : overlay->pieces) {
      marks.emplace_back(std::in_place_type<ZORFigure::Line>,
                         ZORFigure::Line{left + piece.x1 * width + off, top + piece.y1 * height + off,
                                         left + piece.x2 * width + off, top + piece.y2 * height + off,
                                         casing ? kCasing : piece.color});
    }
  }
}

// The legend's table, or its color bar past kLargestTable blocks, and its notes.
void PlaceLegend(LegendPlacer& placer, const ZORLegendModel& legend, int pictureHeight) {
  if (legend.blocks <= kLargestTable) {
    placer.Table(legend);
  } else {
    placer.Bar(legend, pictureHeight);
  }
  placer.Notes(legend);
}

}  // namespace

ZORFigure ZORLayOutMarkedPicture(int width, int height, const std::vector<ZORFigureCallout>& callouts,
                                 const ZORFigureOverlay* overlay) {
  ZORFigure figure;
  figure.width = width;
  figure.height = height;
  figure.marks.emplace_back(std::in_place_type<ZORFigure::Picture>, ZORFigure::Picture{0, 0, width, height});
  DrawOverlay(figure.marks, 0, 0, width, height, overlay);
  DrawCallouts(figure.marks, 0, 0, width, height, callouts);
  return figure;
}

ZORFigure ZORLayOutFigure(const std::string& title, int width, int height, const ZORLegendModel& legend,
                          const std::vector<ZORFigureCallout>& callouts, const ZORFigureOverlay* overlay) {
  ZORFigure figure;
  figure.marks.emplace_back(std::in_place_type<ZORFigure::Text>, ZORFigure::Text{kMargin, kTitleBaseline, title, kTitleSize});
  figure.marks.emplace_back(std::in_place_type<ZORFigure::Picture>, ZORFigure::Picture{kMargin, kPictureTop, width, height});
  const int legendX = kMargin + width + kLegendGap;
  LegendPlacer placer(figure.marks, legendX, kPictureTop);
  PlaceLegend(placer, legend, height);
  if (overlay != nullptr) {
    placer.Section(overlay->heading);
    PlaceLegend(placer, overlay->legend, height);
  }
  placer.CalloutList(callouts);
  DrawOverlay(figure.marks, kMargin, kPictureTop, width, height, overlay);
  DrawCallouts(figure.marks, kMargin, kPictureTop, width, height, callouts);
  figure.width = std::max(legendX + placer.Width(), kMargin + ZORFigureTextWidth(title, kTitleSize)) + kMargin;
  figure.height = std::max(kPictureTop + height, kPictureTop + placer.Height()) + kMargin;
  return figure;
}
