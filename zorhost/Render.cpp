#include "zorhost/Render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <span>
#include <sstream>
#include <vector>

#include "painter/ZORScalePainter.h"
#include "zor/ZORSettingRepository.h"
#include "zorhost/ImageFiles.h"
#include "zorhost/ScriptValues.h"
#include "zorhost/ValueGrid.h"

namespace {

constexpr int kSampleSize = 512;
constexpr int kFailure = 1;
constexpr int kBadInput = 2;

// The default scale's imposed colors, from the smallest values to the largest.
constexpr std::array<ZORRgba, 5> kAnchors = {{{0, 0, 255, 255},
                                              {0, 255, 255, 255},
                                              {0, 200, 0, 255},
                                              {255, 255, 0, 255},
                                              {255, 0, 0, 255}}};

// `blocks` blocks, blue through cyan, green, yellow to red imposed on blocks spread evenly (the
// others interpolated), the extreme boundaries at the field's smallest and largest value and
// the inner ones interpolated.
bool MakeDefaultScale(ZORIStNewColorScale* scale, int blocks, double smallest, double largest) {
  if (FAILED(scale->SetNumberOfBlocks(blocks))) return false;
  ZORRawCollint index, red, green, blue, alpha, types;
  const int anchors = std::min<int>(blocks, static_cast<int>(kAnchors.size()));
  for (int j = 0; j < anchors; ++j) {
    const int position = anchors == 1 ? 1 : 1 + (j * (blocks - 1) + (anchors - 1) / 2) / (anchors - 1);
    const ZORRgba& color = kAnchors[static_cast<std::size_t>(
        anchors == 1 ? 0 : (j * (static_cast<int>(kAnchors.size()) - 1)) / (anchors - 1))];
    index.Append(position);
    red.Append(color.red);
    green.Append(color.green);
    blue.Append(color.blue);
    alpha.Append(color.alpha);
    types.Append(0);
  }
  if (FAILED(scale->SetColors(index.Size(), &index, &red, &green, &blue, &alpha, &types))) {
    return false;
  }
  scale->SetExtremeImposedValues(smallest, largest);
  return true;
}

std::uint8_t Channel(int component) { return static_cast<std::uint8_t>(std::clamp(component, 0, 255)); }

struct ScaleView {
  std::vector<double> boundaries;
  std::vector<int> boundaryIndices;
  std::vector<ZORRgba> colors;
  std::vector<int> colorIndices;
};

ScaleView ReadScale(ZORIStNewColorScale* scale) {
  ScaleView view;
  ZORRawColldouble boundaries;
  ZORRawCollint boundaryIndices, red, green, blue, alpha, colorIndices;
  scale->GetValueTable(&boundaries, &boundaryIndices, nullptr, nullptr);
  scale->GetColorTable(&red, &green, &blue, &alpha, &colorIndices);
  view.boundaries.assign(boundaries.begin(), boundaries.end());
  view.boundaryIndices.assign(boundaryIndices.begin(), boundaryIndices.end());
  view.colorIndices.assign(colorIndices.begin(), colorIndices.end());
  for (int k = 1; k <= red.Size(); ++k) view.colors.push_back({red[k], green[k], blue[k], alpha[k]});
  return view;
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

// The painted field beside its legend: every block's color and every boundary value.
std::string Svg(const ZORValueGrid& grid, const std::string& png, const ScaleView& scale,
                const std::vector<long>& counts) {
  const int imageWidth = std::min(grid.width * std::max(1, 512 / std::max(grid.width, 1)), 1024);
  const int imageHeight = grid.height * imageWidth / std::max(grid.width, 1);
  const int blocks = static_cast<int>(scale.colors.size());
  const int rowHeight = blocks > 0 ? std::clamp(imageHeight / blocks, 12, 40) : 20;
  const int legendHeight = rowHeight * blocks;
  const int width = imageWidth + 470;
  const int height = std::max(imageHeight, legendHeight + 40) + 50;
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
      << "\" font-family=\"sans-serif\" font-size=\"13\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
      << "<text x=\"10\" y=\"22\" font-size=\"16\">" << Escape(grid.description) << "</text>\n"
      << "<image x=\"10\" y=\"35\" width=\"" << imageWidth << "\" height=\"" << imageHeight
      << "\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64,"
      << ZORBase64(png) << "\"/>\n";
  // Block n at the top, block 1 at the bottom; boundary k drawn between blocks k and k + 1.
  const int x = imageWidth + 30;
  const int top = 45;
  svg << "<text x=\"" << x << "\" y=\"" << top - 15 << "\">" << blocks
      << " blocks; dashed: interpolated color, blended inside its block</text>\n";
  for (int k = blocks; k >= 1; --k) {
    const int y = top + (blocks - k) * rowHeight;
    const ZORRgba& color = scale.colors[static_cast<std::size_t>(k - 1)];
    const bool imposed = scale.colorIndices[static_cast<std::size_t>(k - 1)] != -1;
    svg << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"40\" height=\"" << rowHeight
        << "\" fill=\"" << Rgb(color) << "\" fill-opacity=\""
        << ZORScriptValues::Double(Channel(color.alpha) / 255.0) << "\" stroke=\"black\""
        << (imposed ? "" : " stroke-dasharray=\"3,2\"") << "/>\n";
    svg << "<text x=\"" << x + 170 << "\" y=\"" << y + rowHeight / 2 + 5 << "\">block " << k
        << ": " << color.red << ", " << color.green << ", " << color.blue << ", " << color.alpha
        << " (" << counts[static_cast<std::size_t>(k)] << " values)</text>\n";
    if (k > 1) {
      const double boundary = scale.boundaries[static_cast<std::size_t>(k - 2)];
      char label[64];
      std::snprintf(label, sizeof label, "%.6g%s", boundary,
                    scale.boundaryIndices[static_cast<std::size_t>(k - 2)] != -1 ? " (imposed)" : "");
      svg << "<line x1=\"" << x << "\" x2=\"" << x + 160 << "\" y1=\"" << y + rowHeight
          << "\" y2=\"" << y + rowHeight << "\" stroke=\"#888\"/>\n"
          << "<text x=\"" << x + 48 << "\" y=\"" << y + rowHeight - 3 << "\" fill=\"#333\">"
          << label << "</text>\n";
    }
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace

int ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
              std::ostream& err) {
  ZORValueGrid grid;
  if (options.valuesPath.empty()) {
    grid = ZORSampleAnalysis(kSampleSize);
  } else {
    std::string error;
    if (!ZORReadCsvGrid(options.valuesPath, grid, error)) {
      err << "zorhost render: " << error << '\n';
      return kBadInput;
    }
  }
  double smallest = std::numeric_limits<double>::infinity();
  double largest = -smallest;
  for (double value : grid.values) {
    if (std::isfinite(value)) {
      smallest = std::min(smallest, value);
      largest = std::max(largest, value);
    }
  }
  if (!(smallest <= largest)) {
    err << "zorhost render: " << options.valuesPath << ": no finite value to paint\n";
    return kBadInput;
  }

  ZORIStNewColorScale_var scale = host.NewScale();
  if (!scale) {
    err << "zorhost render: the host made no color scale\n";
    return kFailure;
  }
  // The scale evaluates with the host's model tolerance, which the painter must know.
  const double tolerance = ZORHostSession::kDefaultModelTolerance;
  scale->SetTolerance(tolerance);
  if (!options.settingsName.empty()) {
    std::vector<ZORSettingEntry> record;
    std::string problem;
    const int found = ZORReadRepositoryFile(options.settingsName, record, problem);
    if (found <= 0) {
      err << "zorhost render: "
          << (found == 0 ? "there is no settings repository '" + options.settingsName + "'" : problem)
          << '\n';
      return kBadInput;
    }
    if (scale->LoadFromSettings(options.settingsName.c_str()) != 1) {
      err << "zorhost render: cannot load the scale from the settings repository '"
          << options.settingsName << "'\n";
      return kBadInput;
    }
  } else if (!MakeDefaultScale(scale.get(), options.blocks, smallest, largest)) {
    err << "zorhost render: cannot make a scale of " << options.blocks << " blocks\n";
    return kBadInput;
  }
  if (!options.saveSettingsName.empty() &&
      scale->SaveToSettings(options.saveSettingsName.c_str()) != 1) {
    err << "zorhost render: cannot save the scale to the settings repository '"
        << options.saveSettingsName << "'\n";
    return kFailure;
  }
  ZORRgba undefined{255, 255, 255, 0};
  scale->GetColorUndefine(undefined.red, undefined.green, undefined.blue, undefined.alpha);

  // Paint, row by row so that a long run can show its progress.
  const std::size_t count = grid.values.size();
  std::vector<int> blocks(count, -1);
  std::vector<ZORRgba> colors(count, undefined);
  const ZORScalePainter painter(scale.get(), tolerance);
  ZORScalePainter::PaintOptions paintOptions;
  paintOptions.undefinedColorForNaN = true;
  const std::size_t rowLength = static_cast<std::size_t>(grid.width);
  const int rowsAtOnce = std::max(1, 65536 / std::max(grid.width, 1));
  for (int row = 0; row < grid.height; row += rowsAtOnce) {
    const std::size_t first = static_cast<std::size_t>(row) * rowLength;
    const std::size_t length = std::min(count - first, rowLength * static_cast<std::size_t>(rowsAtOnce));
    std::span<const double> values(grid.values.data() + first, length);
    if (options.painting != ZORRenderOptions::Painting::PerValue) {
      painter.Paint(values, std::span<int>(blocks.data() + first, length),
                    std::span<ZORRgba>(colors.data() + first, length), paintOptions);
    }
    if (options.painting != ZORRenderOptions::Painting::Painter) {
      for (std::size_t i = 0; i < length; ++i) {
        const double value = values[i];
        ZORRgba color = undefined;
        int block = ZORScalePainter::kUndefinedBlock;
        if (!std::isnan(value)) {
          color = colors[first + i];
          block = scale->GetColorForValue(value, &color.red, &color.green, &color.blue, &color.alpha);
        }
        if (options.painting == ZORRenderOptions::Painting::Check &&
            (block != blocks[first + i] || (block != -1 && !(color == colors[first + i])))) {
          const ZORRgba& painted = colors[first + i];
          err << "zorhost render: the painter and GetColorForValue differ at row "
              << (first + i) / rowLength + 1 << ", column " << (first + i) % rowLength + 1
              << ", value " << ZORScriptValues::Double(value) << ": block " << blocks[first + i]
              << " (" << painted.red << ", " << painted.green << ", " << painted.blue << ", "
              << painted.alpha << ") against block " << block << " (" << color.red << ", "
              << color.green << ", " << color.blue << ", " << color.alpha << ")\n";
          return kFailure;
        }
        blocks[first + i] = block;
        colors[first + i] = color;
      }
    }
    if (options.progress) {
      err << "\rzorhost render: painting " << (first + length) * 100 / count << "%" << std::flush;
    }
  }
  if (options.progress) err << "\r\033[K" << std::flush;

  // Values in each block; undefined values and values the scale gives no color are painted with
  // the undefined color.
  const ScaleView view = ReadScale(scale.get());
  const int blockCount = static_cast<int>(view.colors.size());
  std::vector<long> counts(static_cast<std::size_t>(blockCount) + 1, 0);
  long undefinedCount = 0, noColor = 0;
  std::vector<std::uint8_t> rgba(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    ZORRgba color = colors[i];
    if (blocks[i] == ZORScalePainter::kUndefinedBlock) {
      ++undefinedCount;
    } else if (blocks[i] < 0) {
      ++noColor;
      color = undefined;
    } else if (blocks[i] <= blockCount) {
      ++counts[static_cast<std::size_t>(blocks[i])];
    }
    rgba[4 * i] = Channel(color.red);
    rgba[4 * i + 1] = Channel(color.green);
    rgba[4 * i + 2] = Channel(color.blue);
    rgba[4 * i + 3] = Channel(color.alpha);
  }
  const std::string png = ZOREncodePng(grid.width, grid.height, rgba);
  const std::string pngPath = options.outPrefix + ".png";
  const std::string svgPath = options.outPrefix + ".svg";
  std::string error;
  if (png.empty() ||
      !ZORWriteFilesWhole({{pngPath, png}, {svgPath, Svg(grid, png, view, counts)}}, error)) {
    err << "zorhost render: " << (png.empty() ? "the picture could not be encoded" : error) << '\n';
    return kFailure;
  }

  out << "zorhost render: " << grid.description << ", " << grid.width << " x " << grid.height
      << " values from " << ZORScriptValues::Double(smallest) << " to "
      << ZORScriptValues::Double(largest) << "\n";
  out << "scale: " << blockCount << " blocks\n";
  out << "  block  from                     to                       color (r, g, b, a)      values\n";
  for (int k = 1; k <= blockCount; ++k) {
    const std::string from =
        k == 1 ? "-inf" : ZORScriptValues::Double(view.boundaries[static_cast<std::size_t>(k - 2)]);
    const std::string to = k == blockCount
                               ? "inf"
                               : ZORScriptValues::Double(view.boundaries[static_cast<std::size_t>(k - 1)]);
    const ZORRgba& c = view.colors[static_cast<std::size_t>(k - 1)];
    char color[64];
    std::snprintf(color, sizeof color, "%d, %d, %d, %d%s", c.red, c.green, c.blue, c.alpha,
                  view.colorIndices[static_cast<std::size_t>(k - 1)] == -1 ? " *" : "");
    char line[256];
    std::snprintf(line, sizeof line, "  %5d  %-23s  %-23s  %-22s  %ld\n", k, from.c_str(),
                  to.c_str(), color, counts[static_cast<std::size_t>(k)]);
    out << line;
  }
  out << "  (* interpolated color: values inside its block are blended toward the next block)\n";
  if (undefinedCount > 0) out << "undefined values: " << undefinedCount << "\n";
  if (noColor > 0) out << "values the scale gave no color: " << noColor << "\n";
  out << "wrote " << pngPath << " and " << svgPath << "\n";
  return 0;
}
