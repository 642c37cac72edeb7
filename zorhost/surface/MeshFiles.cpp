// Mesh files: STL through the CAD kernel's reader, OBJ and PLY through the project's own.
#include <OSD_Path.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#include "zor/ZORText.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/PixelArrays.h"
#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/MeshFiles.h"
#include "zorhost/surface/ObjFiles.h"
#include "zorhost/surface/PlyFiles.h"

namespace {

// The lines of a text file, each without its end, numbered from 1; false at the end or on a read
// failure.
class FileLines {
 public:
  explicit FileLines(const std::string& path) : in_(path, std::ios::binary) {}
  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::ifstream in_;
  int number_ = 0;
};

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The words of a line, split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t start = line.find_first_not_of(" \t", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

bool FiniteNumber(std::string_view word) {
  const std::optional<double> value = ZORReadPlainDouble(word);
  return value && std::isfinite(*value);
}

// A binary STL is an 80-byte header, a 32-bit triangle count and 50 bytes a triangle; anything
// else must be an ASCII one. A count that the file's size does not carry is refused before the
// reader sees it. `ascii` says which it is.
ZOROutcome CheckStl(const std::string& path, std::uint64_t size, bool& ascii) {
  std::ifstream in(path, std::ios::binary);
  char head[84] = {};
  in.read(head, sizeof head);
  const std::streamsize got = in.gcount();
  std::uint32_t count = 0;
  std::memcpy(&count, head + 80, sizeof count);
  ascii = false;
  if (got == 84 && size == 84 + 50 * static_cast<std::uint64_t>(count)) return std::nullopt;
  const std::string start(head, static_cast<std::size_t>(got));
  const std::size_t word = start.find_first_not_of(" \t\r\n");
  if (word != std::string::npos && start.compare(word, 5, "solid") == 0 &&
      start.find('\0') == std::string::npos) {
    ascii = true;
    return std::nullopt;
  }
  if (got != 84) return ZORBadInput("is too short for an STL file");
  return ZORBadInput("is not an ASCII STL, and as a binary one its " + std::to_string(count) +
                     " triangles would take " + std::to_string(84 + 50 * static_cast<std::uint64_t>(count)) +
                     " bytes, not " + std::to_string(size));
}

// Every vertex of an ASCII STL three finite numbers, so that a bad one is reported at its line
// (the kernel's reader counts lines its own way).
ZOROutcome CheckStlVertices(const std::string& path) {
  FileLines lines(path);
  for (std::string line; lines.Next(line);) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words.front() != "vertex") continue;
    if (words.size() != 4 || !FiniteNumber(words[1]) || !FiniteNumber(words[2]) ||
        !FiniteNumber(words[3])) {
      return ZORBadInput("line " + std::to_string(lines.Number()) + ": '" + ZORPrintable(Trimmed(line)) +
                         "' is not a vertex of three finite numbers");
    }
  }
  return std::nullopt;
}

// The box of the positions; false when they are none.
bool Bounds(const std::vector<ZORVec3>& positions, ZORVec3& lowest, ZORVec3& highest) {
  if (positions.empty()) return false;
  lowest = highest = positions.front();
  for (const ZORVec3& p : positions) {
    lowest = {std::min(lowest.x, p.x), std::min(lowest.y, p.y), std::min(lowest.z, p.z)};
    highest = {std::max(highest.x, p.x), std::max(highest.y, p.y), std::max(highest.z, p.z)};
  }
  return true;
}

// The mesh is not larger than kZORLargestCoordinate, so that its distances and areas can be
// computed.
ZOROutcome CheckExtent(const std::vector<ZORVec3>& positions) {
  ZORVec3 lowest, highest;
  if (!Bounds(positions, lowest, highest)) return std::nullopt;
  const double extent = Length(highest - lowest);
  if (std::isfinite(extent) && extent <= kZORLargestCoordinate) return std::nullopt;
  auto point = [](const ZORVec3& p) {
    return "(" + ZORShownNumber(p.x) + ", " + ZORShownNumber(p.y) + ", " + ZORShownNumber(p.z) + ")";
  };
  return ZORBadInput("the vertices spread from " + point(lowest) + " to " + point(highest) + ", farther than " +
                     ZORShownNumber(kZORLargestCoordinate));
}

ZOROutcome FromTriangulation(const Handle(Poly_Triangulation)& triangulation, ZORSurfaceMesh& mesh) {
  if (triangulation.IsNull() || triangulation->NbTriangles() == 0) return ZORBadInput("holds no triangle");
  for (int n = 1; n <= triangulation->NbNodes(); ++n) {
    const gp_Pnt point = triangulation->Node(n);
    mesh.positions.push_back({point.X(), point.Y(), point.Z()});
  }
  for (int t = 1; t <= triangulation->NbTriangles(); ++t) {
    int a, b, c;
    triangulation->Triangle(t).Get(a, b, c);
    mesh.triangles.push_back({a - 1, b - 1, c - 1});
  }
  return std::nullopt;
}

}  // namespace

ZOROutcome ZORReadMeshFile(const std::string& path, ZORMeshFormat format, ZORSurfaceMesh& mesh,
                           const std::string& field) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return ZORBadInput(path + ": cannot be read: " + std::strerror(errno));
  const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
  if (size == 0) return ZORBadInput(path + ": the file is empty");
  if (format == ZORMeshFormat::Ply) {
    if (ZOROutcome problem = ZORReadPlyFile(path, mesh, field)) return problem;
  } else if (format == ZORMeshFormat::Obj) {
    if (ZOROutcome problem = ZORReadObjFile(path, mesh)) return problem;
  } else if (ZOROutcome problem = ZORCatchingKernelFailures([&]() -> ZOROutcome {
               bool ascii = false;
               if (ZOROutcome bad = CheckStl(path, size, ascii)) return bad;
               if (ascii) {
                 if (ZOROutcome bad = CheckStlVertices(path)) return bad;
               }
               return FromTriangulation(RWStl::ReadFile(path.c_str()), mesh);
             })) {
    problem->message = path + ": " + problem->message;
    return problem;
  }
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return ZORBadInput(path + ": vertex " + std::to_string(v + 1) + " has a coordinate that is not finite");
    }
  }
  if (ZOROutcome problem = CheckExtent(mesh.positions)) {
    problem->message = path + ": " + problem->message;
    return problem;
  }
  ZORWeldVertices(mesh);
  if (mesh.triangles.empty()) return ZORBadInput(path + ": no triangle has three distinct corners");
  return std::nullopt;
}

namespace {

// Open addressing over 64-bit keys, linear probing: no allocation an entry, a key beside its
// value so that a look-up costs one cache miss, and twice as many slots as entries at most, so
// that the table follows what it holds (a mesh file's corners are mostly copies of a few).
class FlatIndex {
 public:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  // Room for `expected` entries without growing.
  explicit FlatIndex(std::size_t expected = 0) {
    Resize(std::bit_ceil(std::max<std::size_t>(std::size_t{1} << 12, 2 * expected + 1)));
  }
  // The slot of `key`, or the empty one where it would go; `same` tells a stored key's entry
  // from another's with the same key (a position's hash).
  template <class Same>
  std::size_t Slot(std::uint64_t key, Same same) const {
    std::size_t slot = Home(key);
    while (slots_[slot].key != kEmpty && !(slots_[slot].key == key && same(slots_[slot].value))) slot = (slot + 1) & mask_;
    return slot;
  }
  std::size_t Slot(std::uint64_t key) const {
    return Slot(key, [](int) { return true; });
  }
  // Asks for the memory of `key`'s first slot ahead of its look-up.
  void Prefetch(std::uint64_t key) const { __builtin_prefetch(&slots_[Home(key)]); }
  int Value(std::size_t slot) const { return slots_[slot].value; }
  // Fills `slot`, found by Slot for `key`; the slots found before may move.
  void Set(std::size_t slot, std::uint64_t key, int value) {
    if (slots_[slot].key == kEmpty) ++entries_;
    slots_[slot] = {key, value};
    if (2 * entries_ > slots_.size()) Resize(2 * slots_.size());
  }

 private:
  struct Entry {
    std::uint64_t key;
    int value;
  };
  // The product's highest bits: a float's position read as a double has its low bits zero.
  std::size_t Home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  // Entries of one key keep their order along the probe, so that a look-up finds the same one.
  void Resize(std::size_t size) {
    std::vector<Entry> old;
    old.swap(slots_);
    ZORFillPixels(slots_, size, Entry{kEmpty, -1});
    mask_ = size - 1;
    shift_ = 64 - std::countr_zero(size);
    for (const Entry& entry : old) {
      if (entry.key == kEmpty) continue;
      std::size_t slot = Home(entry.key);
      while (slots_[slot].key != kEmpty) slot = (slot + 1) & mask_;
      slots_[slot] = entry;
    }
  }
  std::vector<Entry> slots_;
  std::size_t mask_ = 0;
  int shift_ = 64;
  std::size_t entries_ = 0;
};

std::uint64_t PositionKey(const ZORVec3& p) {
  std::uint64_t x, y, z;
  std::memcpy(&x, &p.x, 8);
  std::memcpy(&y, &p.y, 8);
  std::memcpy(&z, &p.z, 8);
  const std::uint64_t key = x ^ (y * 0xC2B2AE3D27D4EB4Full) ^ (z * 0x165667B19E3779F9ull);
  return key == FlatIndex::kEmpty ? 0 : key;
}

}  // namespace

namespace {

// The vertices kept by the weld, found by cells of 64 reaches: a vertex's match lies in its
// cell, or in the next one along an axis when it is within reach of that side. Each coordinate's
// cell fits 21 bits: the extent is at most the diagonal, a million reaches.
class WeldCells {
 public:
  WeldCells(const ZORVec3& lowest, double reach) : lowest_(lowest), reach_(reach) {
    constexpr double kCellReaches = 64.0;
    const bool measured = reach > 0.0 && std::isfinite(reach);
    cellSize_ = measured ? kCellReaches * reach : 1.0;
    nearSide_ = measured ? 1.0 / kCellReaches : 0.0;
  }

  // Asks for the memory of `p`'s cell ahead of its look-up.
  void Prefetch(const ZORVec3& p) const {
    cells_.Prefetch(Key(static_cast<std::int64_t>((p.x - lowest_.x) / cellSize_),
                        static_cast<std::int64_t>((p.y - lowest_.y) / cellSize_),
                        static_cast<std::int64_t>((p.z - lowest_.z) / cellSize_)));
  }

  // The first vertex kept within reach of `p` with the same attribute (`attribute`'s bits: a
  // field value, NaN alike), in the order the cells and they were kept; or `p` kept as a new
  // vertex. Its index either way.
  int Weld(const ZORVec3& p, std::uint64_t attribute) {
    const double at[3] = {(p.x - lowest_.x) / cellSize_, (p.y - lowest_.y) / cellSize_, (p.z - lowest_.z) / cellSize_};
    std::int64_t home[3], first[3], last[3];
    for (int axis = 0; axis < 3; ++axis) {
      // Never below 0, the box's lowest corner: truncation is the floor, without a call.
      home[axis] = static_cast<std::int64_t>(at[axis]);
      const double within = at[axis] - static_cast<double>(home[axis]);
      first[axis] = within <= nearSide_ && home[axis] > 0 ? home[axis] - 1 : home[axis];
      last[axis] = within >= 1.0 - nearSide_ ? home[axis] + 1 : home[axis];
    }
    for (std::int64_t x = first[0]; x <= last[0]; ++x) {
      for (std::int64_t y = first[1]; y <= last[1]; ++y) {
        for (std::int64_t z = first[2]; z <= last[2]; ++z) {
          if (const int match = InCell(Key(x, y, z), p, attribute); match >= 0) return match;
        }
      }
    }
    return Keep(Key(home[0], home[1], home[2]), p, attribute);
  }

  std::vector<ZORVec3>& Kept() { return kept_; }

 private:
  static std::uint64_t Key(std::int64_t x, std::int64_t y, std::int64_t z) {
    return static_cast<std::uint64_t>(x) | static_cast<std::uint64_t>(y) << 21 | static_cast<std::uint64_t>(z) << 42;
  }

  // The first vertex of the cell within reach of `p` with `attribute`, or -1.
  int InCell(std::uint64_t key, const ZORVec3& p, std::uint64_t attribute) const {
    for (int kept = cells_.Value(cells_.Slot(key)); kept >= 0; kept = nextInCell_[static_cast<std::size_t>(kept)]) {
      const std::size_t k = static_cast<std::size_t>(kept);
      if (attributes_[k] == attribute && Length(kept_[k] - p) <= reach_) return kept;
    }
    return -1;
  }

  // `p` kept as a vertex of its home cell, after those kept there before.
  int Keep(std::uint64_t key, const ZORVec3& p, std::uint64_t attribute) {
    const int index = static_cast<int>(kept_.size());
    kept_.push_back(p);
    attributes_.push_back(attribute);
    nextInCell_.push_back(-1);
    tailOfCell_.push_back(index);
    const std::size_t slot = cells_.Slot(key);
    const int head = cells_.Value(slot);
    if (head < 0) {
      cells_.Set(slot, key, index);
    } else {
      int& tail = tailOfCell_[static_cast<std::size_t>(head)];
      nextInCell_[static_cast<std::size_t>(tail)] = index;
      tail = index;
    }
    return index;
  }

  ZORVec3 lowest_;
  double reach_;
  double cellSize_;
  double nearSide_;
  FlatIndex cells_;
  std::vector<int> nextInCell_;  // the kept vertices of a cell, in the order they were kept
  std::vector<int> tailOfCell_;  // by a cell's first kept vertex: its last
  std::vector<ZORVec3> kept_;
  std::vector<std::uint64_t> attributes_;  // of each kept vertex
};

// The triangles with their corners welded; those left with fewer than three corners dropped.
std::vector<ZORTriangle> WeldedTriangles(const std::vector<ZORTriangle>& triangles, const std::vector<int>& welded) {
  std::vector<ZORTriangle> kept;
  kept.reserve(triangles.size());
  for (const ZORTriangle& t : triangles) {
    const ZORTriangle corners = {welded[static_cast<std::size_t>(t[0])], welded[static_cast<std::size_t>(t[1])],
                                 welded[static_cast<std::size_t>(t[2])]};
    if (corners[0] != corners[1] && corners[1] != corners[2] && corners[0] != corners[2]) kept.push_back(corners);
  }
  return kept;
}

}  // namespace

namespace {

// The bits of a vertex's attribute: its field value, or nothing.
std::uint64_t AttributeBits(const ZORSurfaceMesh& mesh, std::size_t vertex) {
  if (mesh.field.size() != mesh.positions.size()) return 0;
  return std::bit_cast<std::uint64_t>(mesh.field[vertex]);
}

// Whether any vertex is a corner of more than one triangle: the file already joins its triangles.
bool SharesVertices(const ZORSurfaceMesh& mesh) {
  std::vector<std::uint8_t> used(mesh.positions.size(), 0);
  for (const ZORTriangle& t : mesh.triangles) {
    for (int corner : t) {
      std::uint8_t& seen = used[static_cast<std::size_t>(corner)];
      if (seen != 0) return true;
      seen = 1;
    }
  }
  return false;
}

// A file's own triangles are kept whole: where joining copies would leave one of them with fewer
// than three corners, the later corner keeps a vertex of its own (`kept`, `field`), at the same
// place, so that the triangle is as the file gives it.
void KeepCornersApart(const ZORSurfaceMesh& mesh, std::vector<int>& welded, std::vector<ZORVec3>& kept,
                      std::vector<double>& field) {
  for (const ZORTriangle& t : mesh.triangles) {
    for (int later = 1; later < 3; ++later) {
      const std::size_t corner = static_cast<std::size_t>(t[static_cast<std::size_t>(later)]);
      for (int earlier = 0; earlier < later; ++earlier) {
        const std::size_t other = static_cast<std::size_t>(t[static_cast<std::size_t>(earlier)]);
        if (other == corner || welded[other] != welded[corner]) continue;
        welded[corner] = static_cast<int>(kept.size());
        kept.push_back(mesh.positions[corner]);
        if (mesh.field.size() == mesh.positions.size()) field.push_back(mesh.field[corner]);
      }
    }
  }
}

}  // namespace

std::size_t ZORWeldVertices(ZORSurfaceMesh& mesh) {
  constexpr double kWeldShare = 1e-6;
  ZORVec3 lowest, highest;
  // A mesh whose extent cannot be measured has no cells to weld in.
  if (!Bounds(mesh.positions, lowest, highest) || !(Length(highest - lowest) <= kZORLargestCoordinate)) {
    return 0;
  }
  // A file that already joins its triangles is taken as it stands: only exact copies are one.
  const bool nearby = !SharesVertices(mesh);
  WeldCells cells(lowest, kWeldShare * Length(highest - lowest));
  const std::size_t count = mesh.positions.size();
  // Most of a mesh file's vertices are exact copies of another: they weld as their first copy,
  // found among the distinct positions, kept apart from the file's so that a look-up reads little.
  // A file that joins its triangles has few copies: its index and lists are made as large as it.
  FlatIndex copies(nearby ? 0 : count);
  std::vector<ZORVec3> distinct;
  std::vector<std::uint64_t> distinctAttributes;
  std::vector<int> distinctWelded;
  if (!nearby) {
    distinct.reserve(count);
    distinctAttributes.reserve(count);
    distinctWelded.reserve(count);
  }
  std::vector<int> welded(count);
  const bool fields = mesh.field.size() == count;
  std::vector<double> field;
  // The look-ups wait on memory: each vertex's slots are asked for a few vertices ahead.
  constexpr std::size_t kAhead = 8;
  for (std::size_t v = 0; v < count; ++v) {
    if (v + kAhead < count) {
      copies.Prefetch(PositionKey(mesh.positions[v + kAhead]));
      if (nearby) cells.Prefetch(mesh.positions[v + kAhead]);
    }
    const ZORVec3& p = mesh.positions[v];
    const std::uint64_t attribute = AttributeBits(mesh, v);
    const std::size_t copySlot = copies.Slot(PositionKey(p), [&](int first) {
      const std::size_t f = static_cast<std::size_t>(first);
      return distinct[f] == p && distinctAttributes[f] == attribute;
    });
    if (copies.Value(copySlot) >= 0) {
      welded[v] = distinctWelded[static_cast<std::size_t>(copies.Value(copySlot))];
      continue;
    }
    copies.Set(copySlot, PositionKey(p), static_cast<int>(distinct.size()));
    distinct.push_back(p);
    distinctAttributes.push_back(attribute);
    const std::size_t keptBefore = nearby ? cells.Kept().size() : distinctWelded.size();
    welded[v] = nearby ? cells.Weld(p, attribute) : static_cast<int>(distinctWelded.size());
    if (fields && welded[v] == static_cast<int>(keptBefore)) field.push_back(mesh.field[v]);
    distinctWelded.push_back(welded[v]);
  }
  if (!nearby) KeepCornersApart(mesh, welded, distinct, field);
  std::vector<ZORTriangle> triangles = WeldedTriangles(mesh.triangles, welded);
  const std::size_t dropped = mesh.triangles.size() - triangles.size();
  mesh.positions = nearby ? std::move(cells.Kept()) : std::move(distinct);
  mesh.field = std::move(field);
  mesh.triangles = std::move(triangles);
  return dropped;
}
