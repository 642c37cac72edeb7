#include "zorhost/figure/FigurePng.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <variant>

#include "zorhost/common/PixelArrays.h"
#include "zorhost/figure/ImageFiles.h"
#include "zorhost/figure/LegendLayout.h"

extern "C" {
extern const unsigned char zor_font_regular[];
extern const unsigned char zor_font_regular_end[];
extern const unsigned char zor_font_bold[];
extern const unsigned char zor_font_bold_end[];
}

namespace {

// The built-in fonts, loaded once for the process; FreeType's faces are used under a lock.
class Fonts {
 public:
  static Fonts& Shared() {
    static Fonts fonts;
    return fonts;
  }
  std::mutex& Lock() { return mutex_; }
  FT_Face Face(bool bold) const { return bold ? bold_ : regular_; }
  bool Ready() const { return regular_ != nullptr && bold_ != nullptr; }

 private:
  Fonts() {
    if (FT_Init_FreeType(&library_) != 0) return;
    Load(zor_font_regular, zor_font_regular_end, regular_);
    Load(zor_font_bold, zor_font_bold_end, bold_);
  }
  ~Fonts() {
    if (regular_ != nullptr) FT_Done_Face(regular_);
    if (bold_ != nullptr) FT_Done_Face(bold_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  void Load(const unsigned char* start, const unsigned char* end, FT_Face& face) {
    if (FT_New_Memory_Face(library_, start, static_cast<FT_Long>(end - start), 0, &face) != 0) face = nullptr;
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  FT_Face regular_ = nullptr;
  FT_Face bold_ = nullptr;
};

// The code points of UTF-8 text; a byte that starts no character stands for itself.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    char32_t point = length == 1 ? c : c & (0x7F >> length);
    bool whole = i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; whole && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      whole = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    points.push_back(whole ? point : c);
    i += whole ? static_cast<std::size_t>(length) : 1;
  }
  return points;
}

// An RGBA canvas on white; marks blended over it.
class Canvas {
 public:
  // White, its pages given on `threads` threads.
  Canvas(int width, int height, int threads) : width_(width), height_(height) {
    ZORFillPixels(rgba_, static_cast<std::size_t>(width) * height * 4, std::uint8_t{255}, threads);
  }
  const std::vector<std::uint8_t>& Pixels() const { return rgba_; }

  void Blend(int x, int y, const ZORRgba& color, int coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const int alpha = std::clamp(color.alpha, 0, 255) * coverage / 255;
    std::uint8_t* pixel = &rgba_[(static_cast<std::size_t>(y) * width_ + x) * 4];
    const int components[3] = {color.red, color.green, color.blue};
    for (int c = 0; c < 3; ++c) {
      const int source = std::clamp(components[c], 0, 255);
      pixel[c] = static_cast<std::uint8_t>((source * alpha + pixel[c] * (255 - alpha) + 127) / 255);
    }
  }
  void Fill(int x, int y, int width, int height, const ZORRgba& color) {
    for (int row = y; row < y + height; ++row) {
      for (int column = x; column < x + width; ++column) Blend(column, row, color, 255);
    }
  }
  // A one-pixel black frame; dashed three on, two off.
  void Frame(int x, int y, int width, int height, bool dashed) {
    const ZORRgba black{0, 0, 0, 255};
    auto on = [dashed](int step) { return !dashed || step % 5 < 3; };
    for (int i = 0; i <= width; ++i) {
      if (!on(i)) continue;
      Blend(x + i, y, black, 255);
      Blend(x + i, y + height, black, 255);
    }
    for (int i = 0; i <= height; ++i) {
      if (!on(i)) continue;
      Blend(x, y + i, black, 255);
      Blend(x + width, y + i, black, 255);
    }
  }
  // A filled circle, its rim's pixels blended by how much of them it covers.
  void Disc(double cx, double cy, double radius, const ZORRgba& color) {
    if (!(radius > 0.0)) return;
    for (int y = static_cast<int>(std::floor(cy - radius)); y <= static_cast<int>(std::ceil(cy + radius)); ++y) {
      for (int x = static_cast<int>(std::floor(cx - radius)); x <= static_cast<int>(std::ceil(cx + radius)); ++x) {
        const double inside = radius + 0.5 - std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (inside > 0.0) Blend(x, y, color, static_cast<int>(255.0 * std::min(1.0, inside)));
      }
    }
  }
  void Copy(int x, int y, int width, int height, const std::vector<std::uint8_t>& rgba) {
    for (int row = 0; row < height; ++row) {
      std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>(row) * width * 4, width * 4,
                  rgba_.begin() + (static_cast<std::ptrdiff_t>(y + row) * width_ + x) * 4);
    }
  }
  void Text(const ZORFigure::Text& text) {
    Fonts& fonts = Fonts::Shared();
    std::lock_guard lock(fonts.Lock());
    if (!fonts.Ready()) return;
    FT_Face face = fonts.Face(text.bold);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(text.size));
    const std::vector<char32_t> points = CodePoints(text.text);
    int pen = text.x;
    if (text.alignEnd) {
      for (char32_t point : points) {
        if (FT_Load_Char(face, point, FT_LOAD_DEFAULT) == 0) pen -= static_cast<int>(face->glyph->advance.x >> 6);
      }
    }
    for (char32_t point : points) {
      if (FT_Load_Char(face, point, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = face->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned column = 0; column < bitmap.width; ++column) {
          const int coverage = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column];
          if (coverage > 0) {
            Blend(pen + glyph->bitmap_left + static_cast<int>(column),
                  text.y - glyph->bitmap_top + static_cast<int>(row), text.color, coverage);
          }
        }
      }
      pen += static_cast<int>(glyph->advance.x >> 6);
    }
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> rgba_;
};

// Each mark of the figure drawn on the canvas; the picture's pixels copied as painted.
struct RasterMarks {
  Canvas& canvas;
  const std::vector<std::uint8_t>& picture;

  void operator()(const ZORFigure::Text& t) const { canvas.Text(t); }
  void operator()(const ZORFigure::Swatch& s) const {
    canvas.Fill(s.x, s.y, s.width, s.height, s.color);
    canvas.Frame(s.x, s.y, s.width, s.height, s.dashed);
  }
  void operator()(const ZORFigure::Frame& f) const { canvas.Frame(f.x, f.y, f.width, f.height, false); }
  void operator()(const ZORFigure::Tick& t) const {
    for (int x = t.x1; x <= t.x2; ++x) canvas.Blend(x, static_cast<int>(std::lround(t.y)), {0, 0, 0, 255}, 255);
  }
  void operator()(const ZORFigure::Strip& s) const {
    const int n = static_cast<int>(s.colors.size());
    for (int row = 0; row < s.height && n > 0; ++row) {
      const ZORRgba& color = s.colors[static_cast<std::size_t>(std::min(n - 1, row * n / s.height))];
      canvas.Fill(s.x, s.y + row, s.width, 1, color);
    }
  }
  void operator()(const ZORFigure::Picture& p) const { canvas.Copy(p.x, p.y, p.width, p.height, picture); }
  void operator()(const ZORFigure::Line& l) const {
    const double length = std::hypot(l.x2 - l.x1, l.y2 - l.y1);
    const int steps = std::max(1, static_cast<int>(std::ceil(length * 2.0)));
    for (int i = 0; i <= steps; ++i) {
      const double x = l.x1 + (l.x2 - l.x1) * i / steps, y = l.y1 + (l.y2 - l.y1) * i / steps;
      canvas.Disc(x, y, 1.0, l.color);
    }
  }
  void operator()(const ZORFigure::Disc& d) const {
    canvas.Disc(d.x, d.y, d.radius, d.ring);
    canvas.Disc(d.x, d.y, d.radius - 1.5, d.fill);
  }
};

}  // namespace

namespace {

std::string DrawnPng(const ZORFigure& figure, const std::vector<std::uint8_t>& rgba, int threads) {
  Canvas canvas(figure.width, figure.height, threads);
  const RasterMarks marks{canvas, rgba};
  for (const ZORFigure::Mark& mark : figure.marks) std::visit(marks, mark);
  return ZOREncodePng(figure.width, figure.height, canvas.Pixels(), threads);
}

}  // namespace

std::string ZORFigurePng(const std::string& title, int columns, int rows,
                         const std::vector<std::uint8_t>& rgba, const ZORLegendModel& legend,
                         const std::vector<ZORFigureCallout>& callouts, int threads,
                         const ZORFigureOverlay* overlay) {
  return DrawnPng(ZORLayOutFigure(title, columns, rows, legend, callouts, overlay), rgba, threads);
}

std::string ZORMarkedPicturePng(int columns, int rows, const std::vector<std::uint8_t>& rgba,
                                const std::vector<ZORFigureCallout>& callouts, int threads,
                                const ZORFigureOverlay* overlay) {
  return DrawnPng(ZORLayOutMarkedPicture(columns, rows, callouts, overlay), rgba, threads);
}
