#include "zorhost/scale/LegendSvg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "zorhost/common/ImageFiles.h"
#include "zorhost/common/Text.h"

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

std::string Opacity(const ZORRgba& c) { return ZORExactNumber(Channel(c.alpha) / 255.0); }

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

// The notes under the legend: undefined values and values without a color, and what a reader
// must know of the scale. Returns the height used.
int Notes(SvgText& svg, int x, int y, const ZORLegendModel& legend, int& width) {
  constexpr std::size_t kNoteWidth = 64;  // characters
  int used = 0;
  if (legend.undefined > 0 || legend.noColor > 0) {
    used += 4;
    svg.Swatch(x, y + used, legend.undefinedColor, false);
    std::string text = "undefined: " + ZORColorText(legend.undefinedColor) + "; " +
                       std::to_string(legend.undefined) + " values not a number";
    if (legend.noColor > 0) text += ", " + std::to_string(legend.noColor) + " given no block";
    svg.Text(x + kSwatchWidth + kColumnGap, y + used + 14, text);
    width = std::max(width, kSwatchWidth + kColumnGap + TextWidth(text));
    used += kRowHeight + 4;
  }
  for (const std::string& note : legend.notes) {
    for (const std::string& line : Wrapped(note, kNoteWidth)) {
      svg.Text(x, y + used + kFontSize, line);
      width = std::max(width, TextWidth(line));
      used += kLineHeight;
    }
  }
  return used;
}

// A row a block, block n at the top: its color, its lower boundary, the values it takes, its
// color's components and how many values it holds. Returns the legend's size.
void Table(SvgText& svg, int x, int y, const ZORLegendModel& legend, int& width, int& height) {
  struct Column {
    const char* heading;
    std::string ZORLegendRow::*text;
  };
  static const Column kColumns[] = {{"lower boundary", &ZORLegendRow::boundary},
                                    {"values", &ZORLegendRow::span},
                                    {"color (r, g, b, a)", &ZORLegendRow::colorText}};
  // Column widths from the longest text of each: block, the three above, count.
  int block = TextWidth("block"), count = TextWidth("count");
  int columns[3];
  for (int c = 0; c < 3; ++c) {
    columns[c] = TextWidth(kColumns[c].heading);
    for (const ZORLegendRow& row : legend.rows) columns[c] = std::max(columns[c], TextWidth(row.*kColumns[c].text));
  }
  for (const ZORLegendRow& row : legend.rows) {
    block = std::max(block, TextWidth(std::to_string(row.block)));
    count = std::max(count, TextWidth(std::to_string(row.count)));
  }
  // Where each column starts: the block, the three texts, the count.
  int left[5];
  left[0] = x + kSwatchWidth + kColumnGap;
  left[1] = left[0] + block + kColumnGap;
  for (int c = 0; c < 3; ++c) left[c + 2] = left[c + 1] + columns[c] + kColumnGap;
  const char* const bold = " font-weight=\"bold\"";
  svg.Text(left[0], y + kFontSize, "block", bold);
  for (int c = 0; c < 3; ++c) svg.Text(left[c + 1], y + kFontSize, kColumns[c].heading, bold);
  svg.Text(left[4] + count, y + kFontSize, "count", " font-weight=\"bold\" text-anchor=\"end\"");
  int rowTop = y + kLineHeight + 4;
  for (auto row = legend.rows.rbegin(); row != legend.rows.rend(); ++row) {
    svg.Swatch(x, rowTop, row->color, !row->colorImposed);
    const int baseline = rowTop + 14;
    svg.Text(left[0], baseline, std::to_string(row->block));
    svg.Text(left[1], baseline, row->boundary, " fill=\"#444\"");
    svg.Text(left[2], baseline, row->span);
    svg.Text(left[3], baseline, row->colorText);
    svg.Text(left[4] + count, baseline, std::to_string(row->count), " text-anchor=\"end\"");
    rowTop += kRowHeight;
  }
  width = left[4] + count - x;
  height = rowTop - y;
  if (legend.anyInterpolated) {
    const std::string note = "* interpolated color (dashed): blended inside its block";
    svg.Text(x, rowTop + kFontSize + 4, note, " fill=\"#444\"");
    width = std::max(width, TextWidth(note));
    height += kLineHeight + 8;
  }
}

// The value where block `k + 1` starts, for the label of boundary k.
double BoundaryLabel(const ZORLegendModel& legend, int k) {
  const ZORLegendRow& above = legend.rows[static_cast<std::size_t>(k)];
  return above.placed ? above.from : above.lowerBoundary;
}

// A color bar, block n at the top, every k-th boundary labelled.
void Bar(SvgText& svg, int x, int y, int pictureHeight, const ZORLegendModel& legend, int& width,
         int& height) {
  const int n = legend.blocks;
  const int barHeight = std::clamp(pictureHeight, kBarShortest, kBarTallest);
  const int top = y + kLineHeight + 14;
  // A pixel a block, stretched to the bar; with more blocks than pixels, the block at each
  // pixel's middle.
  const int rows = std::min(n, barHeight);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(rows) * 4);
  for (int row = 0; row < rows; ++row) {
    const int k = n - static_cast<int>((static_cast<long long>(row) * n + n / 2) / rows);
    const ZORRgba& c = legend.rows[static_cast<std::size_t>(std::clamp(k, 1, n) - 1)].color;
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
    const std::string label = ZORShownNumber(BoundaryLabel(legend, k)) +
                              (legend.rows[static_cast<std::size_t>(k)].lowerBoundaryImposed ? " *" : "");
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

std::string ZORLegendSvg(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORLegendModel& legend) {
  const PictureBox picture = Fit(columns, rows);
  const std::string png = ZOREncodePng(picture.width, picture.height,
                                       Resample(rgba, columns, rows, picture));
  const int legendX = kMargin + picture.width + kLegendGap;
  SvgText svgLegend;
  int legendWidth = 0, legendHeight = 0;
  if (legend.blocks <= kLargestTable) {
    Table(svgLegend, legendX, kPictureTop, legend, legendWidth, legendHeight);
  } else {
    Bar(svgLegend, legendX, kPictureTop, picture.height, legend, legendWidth, legendHeight);
  }
  legendHeight += Notes(svgLegend, legendX, kPictureTop + legendHeight + 6, legend, legendWidth) + 6;
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
      << svgLegend.Str() << "</svg>\n";
  return svg.str();
}
