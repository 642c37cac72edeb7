#include "zorhost/Legend.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "zorhost/ImageFiles.h"
#include "zorhost/ScriptValues.h"

namespace {

// The layout, in SVG pixels.
constexpr int kMargin = 10;             // around the picture
constexpr int kTitleBaseline = 22;
constexpr int kPictureTop = 35;
constexpr int kPictureMaximumWidth = 1024;
constexpr int kPictureTargetWidth = 512;  // small grids are scaled up to about this
constexpr int kLegendGap = 20;            // between the picture and the legend
constexpr int kLegendWidth = 470;         // room for the legend right of the picture
constexpr int kLegendTop = 45;
constexpr int kRowMinimumHeight = 12;
constexpr int kRowMaximumHeight = 40;
constexpr int kRowDefaultHeight = 20;
constexpr int kSwatchWidth = 40;
constexpr int kBoundaryLineLength = 160;
constexpr int kBoundaryLabelOffset = 48;  // from the swatch's left edge
constexpr int kBlockLabelOffset = 170;
constexpr int kBottomMargin = 50;

std::uint8_t Channel(int component) {
  return static_cast<std::uint8_t>(std::clamp(component, 0, 255));
}

std::string Rgb(const ZORRgba& c) {
  char text[64];
  std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", Channel(c.red), Channel(c.green),
                Channel(c.blue));
  return text;
}

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

}  // namespace

ZORScaleTables ZORReadScaleTables(ZORIStNewColorScale* scale) {
  ZORScaleTables tables;
  ZORRawColldouble boundaries;
  ZORRawCollint boundaryIndices, red, green, blue, alpha, colorIndices;
  scale->GetValueTable(&boundaries, &boundaryIndices, nullptr, nullptr);
  scale->GetColorTable(&red, &green, &blue, &alpha, &colorIndices);
  tables.boundaries.assign(boundaries.begin(), boundaries.end());
  tables.boundaryIndices.assign(boundaryIndices.begin(), boundaryIndices.end());
  tables.colorIndices.assign(colorIndices.begin(), colorIndices.end());
  for (int k = 1; k <= red.Size(); ++k) {
    tables.colors.push_back({red[k], green[k], blue[k], alpha[k]});
  }
  return tables;
}

std::string ZORLegendSvg(const ZORValueGrid& grid, const std::string& png,
                         const ZORScaleTables& scale, const std::vector<long>& counts) {
  const int imageWidth =
      std::min(grid.width * std::max(1, kPictureTargetWidth / std::max(grid.width, 1)),
               kPictureMaximumWidth);
  const int imageHeight = grid.height * imageWidth / std::max(grid.width, 1);
  const int blocks = static_cast<int>(scale.colors.size());
  const int rowHeight = blocks > 0
                            ? std::clamp(imageHeight / blocks, kRowMinimumHeight, kRowMaximumHeight)
                            : kRowDefaultHeight;
  const int legendHeight = rowHeight * blocks;
  const int width = imageWidth + kLegendWidth;
  const int height = std::max(imageHeight, legendHeight + kPictureTop + 5) + kBottomMargin;
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
      << "\" font-family=\"sans-serif\" font-size=\"13\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"" << kMargin << "\" y=\"" << kTitleBaseline << "\" font-size=\"16\">"
      << Escape(grid.description) << "</text>\n"
      << "<image x=\"" << kMargin << "\" y=\"" << kPictureTop << "\" width=\"" << imageWidth
      << "\" height=\"" << imageHeight
      << "\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64,"
      << ZORBase64(png) << "\"/>\n";
  // Block n at the top, block 1 at the bottom; boundary k drawn between blocks k and k + 1.
  const int x = imageWidth + kMargin + kLegendGap;
  svg << "<text x=\"" << x << "\" y=\"" << kLegendTop - 15 << "\">" << blocks
      << " blocks; dashed: interpolated color, blended inside its block</text>\n";
  for (int k = blocks; k >= 1; --k) {
    const int y = kLegendTop + (blocks - k) * rowHeight;
    const ZORRgba& color = scale.colors[static_cast<std::size_t>(k - 1)];
    const bool imposed = scale.colorIndices[static_cast<std::size_t>(k - 1)] != -1;
    svg << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << kSwatchWidth << "\" height=\""
        << rowHeight << "\" fill=\"" << Rgb(color) << "\" fill-opacity=\""
        << ZORScriptValues::Double(Channel(color.alpha) / 255.0) << "\" stroke=\"black\""
        << (imposed ? "" : " stroke-dasharray=\"3,2\"") << "/>\n";
    svg << "<text x=\"" << x + kBlockLabelOffset << "\" y=\"" << y + rowHeight / 2 + 5
        << "\">block " << k << ": " << color.red << ", " << color.green << ", " << color.blue
        << ", " << color.alpha << " (" << counts[static_cast<std::size_t>(k)]
        << " values)</text>\n";
    if (k > 1) {
      const double boundary = scale.boundaries[static_cast<std::size_t>(k - 2)];
      char label[64];
      std::snprintf(label, sizeof label, "%.6g%s", boundary,
                    scale.boundaryIndices[static_cast<std::size_t>(k - 2)] != -1 ? " (imposed)"
                                                                                  : "");
      svg << "<line x1=\"" << x << "\" x2=\"" << x + kBoundaryLineLength << "\" y1=\""
          << y + rowHeight << "\" y2=\"" << y + rowHeight << "\" stroke=\"#888\"/>\n"
          << "<text x=\"" << x + kBoundaryLabelOffset << "\" y=\"" << y + rowHeight - 3
          << "\" fill=\"#333\">" << label << "</text>\n";
    }
  }
  svg << "</svg>\n";
  return svg.str();
}
