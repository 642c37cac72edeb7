#include "zorhost/scale/Legend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "zorhost/common/ImageFiles.h"
#include "zorhost/script/ScriptValues.h"

namespace {

// The layout, in SVG pixels. Text is monospaced, so that its width is known.
constexpr int kMargin = 16;
constexpr int kTitleBaseline = 26;
constexpr int kPictureTop = 40;
constexpr int kPictureTarget = 512;   // small grids are scaled up to about this
constexpr int kPictureLargest = 1024;  // large ones down to this
constexpr int kPictureSmallest = 32;   // a thin grid's short side is stretched to this
constexpr int kLegendGap = 28;         // between the picture and the legend
constexpr double kCharacterWidth = 7.3;  // of the 12-pixel monospaced font, with room to spare
constexpr int kFontSize = 12;
constexpr int kLineHeight = 18;
constexpr int kRowHeight = 22;
constexpr int kSwatchWidth = 32;
constexpr int kSwatchHeight = 18;
constexpr int kColumnGap = 14;
// Up to this many blocks the legend is a table, a row a block; beyond, a color bar with every
// k-th boundary labelled, at least kTickSpacing apart.
constexpr int kLargestTable = 24;
constexpr int kBarWidth = 36;
constexpr int kBarShortest = 320;
constexpr int kBarTallest = 640;
constexpr int kTickSpacing = 18;
constexpr int kTickLength = 6;

const char* const kFont = "DejaVu Sans Mono, Menlo, Consolas, monospace";

std::uint8_t Channel(int component) {
  return static_cast<std::uint8_t>(std::clamp(component, 0, 255));
}

std::string Rgb(const ZORRgba& c) {
  char text[64];
  std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", Channel(c.red), Channel(c.green),
                Channel(c.blue));
  return text;
}

std::string Opacity(const ZORRgba& c) { return ZORScriptValues::Double(Channel(c.alpha) / 255.0); }

std::string Escape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '&': escaped += "&amp;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

int TextWidth(const std::string& text) {
  return static_cast<int>(std::ceil(static_cast<double>(text.size()) * kCharacterWidth));
}

std::string ColorText(const ZORRgba& c) {
  return std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) +
         ", " + std::to_string(c.alpha);
}

// How the picture is shown: scaled up when small, down when large, and a thin side stretched
// so that it stays visible.
struct PictureBox {
  int width;
  int height;
  bool stretched;
};

PictureBox Fit(int columns, int rows) {
  const int longest = std::max({columns, rows, 1});
  const double scale = longest < kPictureTarget ? std::floor(static_cast<double>(kPictureTarget) / longest)
                                                : std::min(1.0, static_cast<double>(kPictureLargest) / longest);
  const int width = static_cast<int>(std::lround(columns * scale));
  const int height = static_cast<int>(std::lround(rows * scale));
  return {std::max(width, kPictureSmallest), std::max(height, kPictureSmallest),
          width < kPictureSmallest || height < kPictureSmallest};
}

// The pixels of a `columns` x `rows` picture at the size of `box`, each the nearest source pixel.
std::vector<std::uint8_t> Resample(const std::vector<std::uint8_t>& rgba, int columns, int rows,
                                   const PictureBox& box) {
  std::vector<std::uint8_t> shown(static_cast<std::size_t>(box.width) * box.height * 4);
  for (int y = 0; y < box.height; ++y) {
    const long long row = (2LL * y + 1) * rows / (2LL * box.height);
    for (int x = 0; x < box.width; ++x) {
      const long long column = (2LL * x + 1) * columns / (2LL * box.width);
      const std::size_t from = static_cast<std::size_t>(row * columns + column) * 4;
      const std::size_t to = (static_cast<std::size_t>(y) * box.width + x) * 4;
      std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>(from), 4,
                  shown.begin() + static_cast<std::ptrdiff_t>(to));
    }
  }
  return shown;
}

class SvgText {
 public:
  void Text(int x, int y, const std::string& text, const char* extra = "") {
    out_ << "<text x=\"" << x << "\" y=\"" << y << "\"" << extra << ">" << Escape(text)
         << "</text>\n";
  }
  void Swatch(int x, int y, const ZORRgba& color, bool dashed) {
    out_ << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << kSwatchWidth << "\" height=\""
         << kSwatchHeight << "\" fill=\"" << Rgb(color) << "\" fill-opacity=\"" << Opacity(color)
         << "\" stroke=\"black\"" << (dashed ? " stroke-dasharray=\"3,2\"" : "") << "/>\n";
  }
  std::ostringstream& Raw() { return out_; }
  std::string Str() const { return out_.str(); }

 private:
  std::ostringstream out_;
};

// The notes under the legend: undefined values, values without a color, limits that are not
// the value table's ends. Returns the height used.
int Notes(SvgText& svg, int x, int y, const ZORScaleView& scale, const ZORBlockCounts& counts,
          int& width) {
  int used = 0;
  auto line = [&](const std::string& text) {
    svg.Text(x, y + used + kFontSize, text);
    width = std::max(width, TextWidth(text));
    used += kLineHeight;
  };
  if (counts.undefined > 0 || counts.noColor > 0) {
    used += 4;
    svg.Swatch(x, y + used, scale.undefinedColor, false);
    std::string text = "undefined: " + ColorText(scale.undefinedColor) + "; " +
                       std::to_string(counts.undefined) + " values not a number";
    if (counts.noColor > 0) text += ", " + std::to_string(counts.noColor) + " given no block";
    svg.Text(x + kSwatchWidth + kColumnGap, y + used + 14, text);
    width = std::max(width, kSwatchWidth + kColumnGap + TextWidth(text));
    used += kRowHeight + 4;
  }
  if (scale.LimitsDisagree() && scale.Blocks() >= 2) {
    line("Values are placed by the first and last stored boundaries,");
    line(ZORShortNumber(scale.lower) + " and " + ZORShortNumber(scale.upper) +
         ", not by the value table's ends, " + ZORShortNumber(scale.boundaries.front()) + " and " +
         ZORShortNumber(scale.boundaries.back()) + ".");
  }
  if (scale.ranges.empty() && scale.Blocks() >= 2) {
    line("The boundaries do not increase: ranges are the value table's,");
    line("and some values take no block.");
  }
  return used;
}

// A row a block, block n at the top: its color, its lower boundary, the values it takes, its
// color's components and how many values it holds. Returns the legend's size.
void Table(SvgText& svg, int x, int y, const ZORScaleView& scale, const ZORBlockCounts& counts,
           int& width, int& height) {
  const int n = scale.Blocks();
  struct Row {
    std::string block, boundary, range, color, count;
    ZORRgba swatch;
    bool interpolated;
  };
  std::vector<Row> rows;
  Row header{"block", "lower boundary", "values", "color (r, g, b, a)", "count", {}, false};
  for (int k = n; k >= 1; --k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    Row row;
    row.block = std::to_string(k);
    row.boundary = k == 1 ? "" : ZORShortNumber(scale.boundaries[at - 1]) +
                                     (scale.boundaryIndices[at - 1] != -1 ? " imposed" : "");
    double first = 0.0, last = 0.0;
    row.range = scale.Span(k, first, last)
                    ? ZORShortNumber(first) + " to " + ZORShortNumber(last)
                    : "none";
    row.color = ColorText(scale.colors[at]) + (scale.colorIndices[at] == -1 ? " *" : "");
    row.count = std::to_string(counts.perBlock[static_cast<std::size_t>(k)]);
    row.swatch = scale.colors[at];
    row.interpolated = scale.colorIndices[at] == -1;
    rows.push_back(row);
  }
  // Column widths from the longest text of each.
  auto widest = [&](std::string Row::*field) {
    int w = TextWidth(header.*field);
    for (const Row& row : rows) w = std::max(w, TextWidth(row.*field));
    return w;
  };
  const int columns[5] = {widest(&Row::block), widest(&Row::boundary), widest(&Row::range),
                          widest(&Row::color), widest(&Row::count)};
  int column[5];
  column[0] = x + kSwatchWidth + kColumnGap;
  for (int c = 1; c < 5; ++c) column[c] = column[c - 1] + columns[c - 1] + kColumnGap;
  const char* const right = " text-anchor=\"end\"";
  svg.Text(column[0], y + kFontSize, header.block, " font-weight=\"bold\"");
  svg.Text(column[1], y + kFontSize, header.boundary, " font-weight=\"bold\"");
  svg.Text(column[2], y + kFontSize, header.range, " font-weight=\"bold\"");
  svg.Text(column[3], y + kFontSize, header.color, " font-weight=\"bold\"");
  svg.Text(column[4] + columns[4], y + kFontSize, header.count,
           " font-weight=\"bold\" text-anchor=\"end\"");
  int rowTop = y + kLineHeight + 4;
  for (const Row& row : rows) {
    svg.Swatch(x, rowTop, row.swatch, row.interpolated);
    const int baseline = rowTop + 14;
    svg.Text(column[0], baseline, row.block);
    svg.Text(column[1], baseline, row.boundary, " fill=\"#444\"");
    svg.Text(column[2], baseline, row.range);
    svg.Text(column[3], baseline, row.color);
    svg.Text(column[4] + columns[4], baseline, row.count, right);
    rowTop += kRowHeight;
  }
  width = column[4] + columns[4] - x;
  height = rowTop - y;
  if (std::any_of(rows.begin(), rows.end(), [](const Row& row) { return row.interpolated; })) {
    const std::string note = "* interpolated color (dashed): blended inside its block";
    svg.Text(x, rowTop + kFontSize + 4, note, " fill=\"#444\"");
    width = std::max(width, TextWidth(note));
    height += kLineHeight + 8;
  }
}

// The value where block `k + 1` starts, for the label of boundary k.
double BoundaryLabel(const ZORScaleView& scale, int k) {
  double first = 0.0, last = 0.0;
  if (!scale.ranges.empty() && scale.Span(k + 1, first, last)) return first;
  return scale.boundaries[static_cast<std::size_t>(k - 1)];
}

// A color bar, block n at the top, every k-th boundary labelled.
void Bar(SvgText& svg, int x, int y, int pictureHeight, const ZORScaleView& scale, int& width,
         int& height) {
  const int n = scale.Blocks();
  const int barHeight = std::clamp(pictureHeight, kBarShortest, kBarTallest);
  const int top = y + kLineHeight + 14;
  // A pixel a block, stretched to the bar; with more blocks than pixels, the block at each
  // pixel's middle.
  const int rows = std::min(n, barHeight);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(rows) * 4);
  for (int row = 0; row < rows; ++row) {
    const int k = n - static_cast<int>((static_cast<long long>(row) * n + n / 2) / rows);
    const ZORRgba& c = scale.colors[static_cast<std::size_t>(std::clamp(k, 1, n) - 1)];
    const std::size_t at = static_cast<std::size_t>(row) * 4;
    rgba[at] = Channel(c.red);
    rgba[at + 1] = Channel(c.green);
    rgba[at + 2] = Channel(c.blue);
    rgba[at + 3] = Channel(c.alpha);
  }
  const std::string bar = ZOREncodePng(1, rows, rgba);
  svg.Raw() << "<image x=\"" << x << "\" y=\"" << top << "\" width=\"" << kBarWidth
            << "\" height=\"" << barHeight
            << "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" "
               "href=\"data:image/png;base64,"
            << ZORBase64(bar) << "\"/>\n"
            << "<rect x=\"" << x << "\" y=\"" << top << "\" width=\"" << kBarWidth
            << "\" height=\"" << barHeight << "\" fill=\"none\" stroke=\"black\"/>\n";
  // Boundaries 1 and n - 1 and others spread evenly between them, at least kTickSpacing apart.
  const int labels = std::clamp(barHeight / kTickSpacing + 1, 2, n - 1);
  int widest = 0;
  int previous = 0;
  for (int i = 0; i < labels; ++i) {
    const int k = 1 + static_cast<int>(std::lround(static_cast<double>(i) * (n - 2) / (labels - 1)));
    if (k == previous) continue;
    previous = k;
    const double yk = top + static_cast<double>(n - k) * barHeight / n;
    const std::string label = ZORShortNumber(BoundaryLabel(scale, k)) +
                              (scale.boundaryIndices[static_cast<std::size_t>(k - 1)] != -1 ? " *" : "");
    svg.Raw() << "<line x1=\"" << x + kBarWidth << "\" x2=\"" << x + kBarWidth + kTickLength
              << "\" y1=\"" << yk << "\" y2=\"" << yk << "\" stroke=\"black\"/>\n";
    svg.Text(x + kBarWidth + kTickLength + 4, static_cast<int>(yk) + 4, label);
    widest = std::max(widest, TextWidth(label));
  }
  std::string heading = std::to_string(n) + " blocks";
  if (labels < n - 1) heading += ", " + std::to_string(labels) + " of the boundaries labelled";
  svg.Text(x, y + kFontSize, heading + " (* imposed)", " font-weight=\"bold\"");
  width = std::max(kBarWidth + kTickLength + 4 + widest, TextWidth(heading + " (* imposed)"));
  height = top + barHeight + 10 - y;
}

}  // namespace

std::string ZORShortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

bool ZORScaleView::LimitsDisagree() const {
  return !boundaries.empty() && (lower != boundaries.front() || upper != boundaries.back());
}

bool ZORScaleView::Span(int block, double& first, double& last) const {
  const int n = Blocks();
  if (block < 1 || block > n) return false;
  if (!ranges.empty()) {
    const BlockSpan& span = spans[static_cast<std::size_t>(block - 1)];
    first = span.first;
    last = span.last;
    return span.placed;
  }
  first = block == 1 ? -std::numeric_limits<double>::infinity()
                     : boundaries[static_cast<std::size_t>(block - 2)];
  last = block == n ? std::numeric_limits<double>::infinity()
                    : boundaries[static_cast<std::size_t>(block - 1)];
  return true;
}

ZORScaleView ZORDescribeScale(ZORIStNewColorScale* scale, double tolerance) {
  ZORScaleView view;
  ZORRawColldouble boundaries;
  ZORRawCollint boundaryIndices, red, green, blue, alpha, colorIndices;
  scale->GetValueTable(&boundaries, &boundaryIndices, nullptr, nullptr);
  scale->GetColorTable(&red, &green, &blue, &alpha, &colorIndices);
  view.boundaries.assign(boundaries.begin(), boundaries.end());
  view.boundaryIndices.assign(boundaryIndices.begin(), boundaryIndices.end());
  view.colorIndices.assign(colorIndices.begin(), colorIndices.end());
  for (int k = 1; k <= red.Size(); ++k) view.colors.push_back({red[k], green[k], blue[k], alpha[k]});
  scale->GetExtremeImposedValues(&view.lower, &view.upper);
  ZORRgba& undefined = view.undefinedColor;
  scale->GetColorUndefine(undefined.red, undefined.green, undefined.blue, undefined.alpha);
  view.ranges = ZORScalePainter(scale, tolerance).BlockRanges();
  view.spans.resize(view.colors.size());
  for (const ZORBlockRange& range : view.ranges) {
    if (range.block < 1 || range.block > view.Blocks()) continue;
    ZORScaleView::BlockSpan& span = view.spans[static_cast<std::size_t>(range.block - 1)];
    span.first = span.placed ? std::min(span.first, range.first) : range.first;
    span.last = span.placed ? std::max(span.last, range.last) : range.last;
    span.placed = true;
  }
  return view;
}

std::string ZORLegendSvg(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORScaleView& scale,
                         const ZORBlockCounts& counts) {
  const PictureBox picture = Fit(columns, rows);
  const std::string png = ZOREncodePng(picture.width, picture.height,
                                       Resample(rgba, columns, rows, picture));
  const int legendX = kMargin + picture.width + kLegendGap;
  SvgText legend;
  int legendWidth = 0, legendHeight = 0;
  if (scale.Blocks() <= kLargestTable) {
    Table(legend, legendX, kPictureTop, scale, counts, legendWidth, legendHeight);
  } else {
    Bar(legend, legendX, kPictureTop, picture.height, scale, legendWidth, legendHeight);
  }
  legendHeight += Notes(legend, legendX, kPictureTop + legendHeight + 6, scale, counts,
                        legendWidth) + 6;
  const std::string shownTitle = title + (picture.stretched ? " (stretched to be seen)" : "");
  const int titleWidth = TextWidth(shownTitle) * 15 / kFontSize;  // the title's font is larger
  const int width = std::max(legendX + legendWidth, kMargin + titleWidth) + kMargin;
  const int height = std::max(kPictureTop + picture.height, kPictureTop + legendHeight) + kMargin;
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
      << "\" font-family=\"" << kFont << "\" font-size=\"" << kFontSize << "\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"" << kMargin << "\" y=\"" << kTitleBaseline << "\" font-size=\"15\">"
      << Escape(shownTitle) << "</text>\n"
      << "<image x=\"" << kMargin << "\" y=\"" << kPictureTop << "\" width=\"" << picture.width
      << "\" height=\"" << picture.height
      << "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" "
         "href=\"data:image/png;base64,"
      << ZORBase64(png) << "\"/>\n"
      << legend.Str() << "</svg>\n";
  return svg.str();
}
