#include "zorhost/figure/LegendSvg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <variant>

#include "zorhost/figure/ImageFiles.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/figure/LegendLayout.h"

namespace {

constexpr int kPictureTarget = 512;    // small pictures are scaled up to about this
constexpr int kPictureLargest = 1024;  // large ones down to this
constexpr int kPictureSmallest = 32;   // a thin picture's short side is stretched to this
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

std::string Image(int x, int y, int width, int height, const std::string& png) {
  std::ostringstream out;
  out << "<image x=\"" << x << "\" y=\"" << y << "\" width=\"" << width << "\" height=\"" << height
      << "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" "
         "href=\"data:image/png;base64,"
      << ZORBase64(png) << "\"/>\n";
  return out.str();
}

// Each mark of the figure as SVG; the picture's PNG given.
class SvgMarks {
 public:
  SvgMarks(std::ostringstream& out, const std::string& picture) : out_(out), picture_(picture) {}
  void operator()(const ZORFigure::Text& t) const {
    out_ << "<text x=\"" << t.x << "\" y=\"" << t.y << "\"";
    if (t.size != 12) out_ << " font-size=\"" << t.size << "\"";
    if (t.bold) out_ << " font-weight=\"bold\"";
    if (t.alignEnd) out_ << " text-anchor=\"end\"";
    if (!(t.color == ZORRgba{0, 0, 0, 255})) out_ << " fill=\"" << Rgb(t.color) << "\"";
    out_ << ">" << ZORMarkupEscaped(t.text) << "</text>\n";
  }
  void operator()(const ZORFigure::Swatch& s) const {
    out_ << "<rect x=\"" << s.x << "\" y=\"" << s.y << "\" width=\"" << s.width << "\" height=\""
         << s.height << "\" fill=\"" << Rgb(s.color) << "\" fill-opacity=\"" << Opacity(s.color)
         << "\" stroke=\"black\"" << (s.dashed ? " stroke-dasharray=\"3,2\"" : "") << "/>\n";
  }
  void operator()(const ZORFigure::Frame& f) const {
    out_ << "<rect x=\"" << f.x << "\" y=\"" << f.y << "\" width=\"" << f.width << "\" height=\""
         << f.height << "\" fill=\"none\" stroke=\"black\"/>\n";
  }
  void operator()(const ZORFigure::Tick& t) const {
    out_ << "<line x1=\"" << t.x1 << "\" x2=\"" << t.x2 << "\" y1=\"" << t.y << "\" y2=\"" << t.y
         << "\" stroke=\"black\"/>\n";
  }
  void operator()(const ZORFigure::Strip& s) const {
    std::vector<std::uint8_t> rgba;
    for (const ZORRgba& c : s.colors) {
      for (int component : {c.red, c.green, c.blue, c.alpha}) rgba.push_back(Channel(component));
    }
    out_ << Image(s.x, s.y, s.width, s.height, ZOREncodePng(1, static_cast<int>(s.colors.size()), rgba));
  }
  void operator()(const ZORFigure::Picture& p) const { out_ << Image(p.x, p.y, p.width, p.height, picture_); }
  void operator()(const ZORFigure::Line& l) const {
    out_ << "<line x1=\"" << ZORExactNumber(l.x1) << "\" y1=\"" << ZORExactNumber(l.y1) << "\" x2=\"" << ZORExactNumber(l.x2)
         << "\" y2=\"" << ZORExactNumber(l.y2) << "\" stroke=\"" << Rgb(l.color) << "\" stroke-width=\"2\"/>\n";
  }
  void operator()(const ZORFigure::Disc& d) const {
    out_ << "<circle cx=\"" << ZORExactNumber(d.x) << "\" cy=\"" << ZORExactNumber(d.y) << "\" r=\"" << ZORExactNumber(d.radius)
         << "\" fill=\"" << Rgb(d.fill) << "\" stroke=\"" << Rgb(d.ring) << "\" stroke-width=\"1.5\"/>\n";
  }

 private:
  std::ostringstream& out_;
  const std::string& picture_;
};

}  // namespace

std::string ZORLegendSvg(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORLegendModel& legend,
                         const std::vector<ZORFigureCallout>& callouts, int threads,
                         const ZORFigureOverlay* overlay) {
  const PictureBox box = Fit(columns, rows);
  const std::string png = ZOREncodePng(box.width, box.height, Resample(rgba, columns, rows, box), threads);
  const ZORFigure figure = ZORLayOutFigure(title + (box.stretched ? " (stretched to be seen)" : ""),
                                           box.width, box.height, legend, callouts, overlay);
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << figure.width << "\" height=\""
      << figure.height << "\" font-family=\"" << kFont << "\" font-size=\"12\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  const SvgMarks marks(svg, png);
  for (const ZORFigure::Mark& mark : figure.marks) std::visit(marks, mark);
  svg << "</svg>\n";
  return svg.str();
}

std::string ZORMarkupEscaped(const std::string& text) {
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
