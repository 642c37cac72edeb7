// A face's outline in its surface's parameters, for telling at once whether a point of the surface
// lies on the face: its edges' curves as a polygon, each side with how far the curve may stray
// from it, sorted into a grid of cells whose centres are known to be on the face or off it. The
// kernel's classifiers walk the whole outline for every point; this looks at one cell's sides.
#pragma once

#include <TopoDS_Face.hxx>

#include <array>
#include <cstdint>
#include <vector>

class ZORFaceOutline {
 public:
  explicit ZORFaceOutline(const TopoDS_Face& face);

  enum class Side { Inside, Outside, Unsure };
  // Where (u, v) lies; Unsure where the outline's curves may pass nearer than the polygon tells,
  // past the polygon's box along a periodic parameter, or when the polygon could not be trusted
  // (a wire that does not close in the parameters): the kernel's classifier must say.
  Side Classify(double u, double v) const;

 private:
  using Point = std::array<double, 2>;
  struct Segment {
    Point from, to;
    double margin;  // how far the edge's curve may lie from this side of the polygon
  };
  enum class Centre : std::uint8_t { Inside, Outside, Unsure };

  void Discretize(const TopoDS_Face& face);
  void Sort();
  void ClassifyCentres();
  // Whether the centres agree with the kernel's classifier at a few cells; the outline is not
  // used when they do not.
  bool AgreesWithKernel(const TopoDS_Face& face) const;
  Point CellCentre(int column, int row) const;

  std::vector<Segment> segments_;
  Point lowest_{}, highest_{};
  int columns_ = 0, rows_ = 0;
  double cellWidth_ = 0.0, cellHeight_ = 0.0;
  std::vector<std::vector<int>> cells_;  // the segments that may pass through each cell, rows first
  std::vector<Centre> centres_;
  std::array<bool, 2> periodic_{};  // the surface's parameters u and v
  bool usable_ = false;
};
