// A reference part that points are measured against: its mesh in a bounding volume hierarchy
// (Open CASCADE's BVH), so that the nearest triangle is found without a scan, and the nearest
// point refined on the exact surface of a CAD reference. Safe to ask from several threads.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "zorhost/surface/Analysis.h"
#include "zorhost/surface/Part.h"

class ZORReference {
 public:
  // The reference of `part`, meshed finely enough for the nearest triangle to start the exact
  // search near the nearest point (a 2000th of its size); a problem when it cannot be.
  static ZOROutcome Make(std::unique_ptr<ZORPart> part, std::unique_ptr<ZORReference>& reference);
  ~ZORReference();

  const ZORPart& Part() const { return *part_; }

  // The point of the reference nearest `point`, within `within` of it (nothing when every point
  // is farther); `beyondEdge` when `point` is off the reference's side rather than over it: the
  // nearest point on the edge where a mesh ends, or on a free edge of a CAD sheet.
  struct Nearest {
    ZORSurfacePoint point;
    bool beyondEdge = false;
  };
  std::optional<Nearest> NearestTo(const ZORVec3& point, double within) const;

  // Where the ray from `origin` along the unit `direction` first crosses the reference farther
  // than `beyond` from its origin (on a CAD reference, on the exact surface); nothing when it
  // leaves without crossing. `ownFace`: the reference's face the origin lies on, if it does.
  std::optional<ZORPart::Evaluator::Crossing> FirstCrossing(const ZORVec3& origin, const ZORVec3& direction,
                                                            double beyond, int ownFace = -1) const;
  // The length of the diagonal of the reference's box.
  double Size() const { return size_; }

 private:
  class Index;
  explicit ZORReference(std::unique_ptr<ZORPart> part);
  // An evaluator of the part for the calling thread, and back when done.
  std::unique_ptr<ZORPart::Evaluator> TakeEvaluator() const;
  void GiveBack(std::unique_ptr<ZORPart::Evaluator> evaluator) const;
  // An evaluator lent to the calling thread, given back on every path: the kernel may throw.
  struct Lease {
    explicit Lease(const ZORReference& of) : reference(of), evaluator(of.TakeEvaluator()) {}
    ~Lease() { reference.GiveBack(std::move(evaluator)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    const ZORReference& reference;
    std::unique_ptr<ZORPart::Evaluator> evaluator;
  };
  // The face of a triangle of the mesh; 0 for a mesh's, all of one surface.
  int FaceOf(int triangle) const;

  std::unique_ptr<ZORPart> part_;
  std::unique_ptr<Index> index_;
  double size_ = 0.0;
  bool exact_ = false;  // a CAD part's: its mesh only stands for its surfaces, within deflections
  mutable std::mutex evaluatorsMutex_;
  mutable std::vector<std::unique_ptr<ZORPart::Evaluator>> evaluators_;
};

// What the deviation does where the reference has nothing over a point.
struct ZORDeviationOptions {
  bool keepBeyondEdges = false;   // keep the distance to the edge instead of no value
  std::optional<double> within;   // farther points have no value
};

// The signed distance from each point to `reference`: positive on the side its outward normals
// point to. Not a number beyond the reference's edges (unless kept) and past `within`.
std::unique_ptr<ZORSurfaceAnalysis> ZORMakeDeviationAnalysis(std::shared_ptr<const ZORReference> reference,
                                                              const ZORDeviationOptions& options);
