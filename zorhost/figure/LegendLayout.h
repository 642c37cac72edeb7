// The figure a person reads: a title, the painted picture and the scale's legend beside it, laid
// out once as a list of simple marks. The SVG and the PNG are drawn from the same marks, so they
// show the same legend.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "zorhost/figure/LegendModel.h"

struct ZORFigure {
  // Text of the monospaced font at `size` pixels, from (x, y) its baseline's start, or its end.
  struct Text {
    int x, y;
    std::string text;
    int size = 12;
    bool bold = false;
    bool alignEnd = false;
    ZORRgba color{0, 0, 0, 255};
  };
  // A rectangle filled with a color (its alpha over the white page) and framed in black, the
  // frame dashed for a blended color.
  struct Swatch {
    int x, y, width, height;
    ZORRgba color;
    bool dashed = false;
  };
  // A black frame around a rectangle.
  struct Frame {
    int x, y, width, height;
  };
  // A horizontal black line.
  struct Tick {
    int x1, x2;
    double y;
  };
  // Colors from the top down, each stretched over an even share of the height.
  struct Strip {
    int x, y, width, height;
    std::vector<ZORRgba> colors;
  };
  // Where the painted picture goes.
  struct Picture {
    int x, y, width, height;
  };
  // A line two pixels wide.
  struct Line {
    double x1, y1, x2, y2;
    ZORRgba color{0, 0, 0, 255};
  };
  // A filled circle with a ring.
  struct Disc {
    double x, y, radius;
    ZORRgba fill;
    ZORRgba ring{0, 0, 0, 255};
  };
  using Mark = std::variant<Text, Swatch, Frame, Tick, Strip, Picture, Line, Disc>;

  int width = 0;
  int height = 0;
  std::vector<Mark> marks;
};

// A numbered point of the picture: where it lies, as shares of the picture's width and height from
// its top left; whether it is seen there (a hidden one is listed, not drawn); the label drawn by
// it and the line that lists it under the legend.
struct ZORFigureCallout {
  int number = 0;
  double x = 0.0, y = 0.0;
  bool seen = true;
  std::string label;
  std::string listed;
};

// Lines drawn over the picture with a legend of their own, under the picture's: a part's edges,
// each piece from (x1, y1) to (x2, y2) as shares of the picture's width and height, in the color
// its scale gives it.
struct ZORFigureOverlay {
  struct Piece {
    double x1, y1, x2, y2;
    ZORRgba color;
  };
  std::string heading;  // "edges: the angle between the faces' normals (degrees)"
  ZORLegendModel legend;
  std::vector<Piece> pieces;
};

// The figure of a picture shown `width` x `height` pixels beside `legend`, under `title`: a table
// of the blocks up to 24 of them (with each block's share of the area as a bar, when the legend
// gives them), a color bar with spread labels beyond, then the notes and the callouts' list; the
// callouts seen drawn on the picture, a leader line from each point to its numbered label.
ZORFigure ZORLayOutFigure(const std::string& title, int width, int height, const ZORLegendModel& legend,
                          const std::vector<ZORFigureCallout>& callouts = {}, const ZORFigureOverlay* overlay = nullptr);

// The picture alone, `width` x `height`, its callouts seen drawn on it (and the overlay's lines).
ZORFigure ZORLayOutMarkedPicture(int width, int height, const std::vector<ZORFigureCallout>& callouts,
                                 const ZORFigureOverlay* overlay = nullptr);

// The width of `text` in the figure's font at `size` pixels.
int ZORFigureTextWidth(const std::string& text, int size = 12);
