// Writes the example parts as STEP files into the folder given (default: the current one):
//   bracket.step  an L-shaped bracket, 80 x 50 x 60 mm, plates 12 mm thick, every edge rounded
//                 with a 3 mm fillet, a hole of 18 mm through each plate: planes, cylinders,
//                 tori and spheres, convex and concave;
//   torus.step    a torus of radii 5 and 1.5, whose Gaussian curvature is known in closed form,
//                 cos v / (r (R + r cos v));
//   bracket-scan.stl  the bracket as made and scanned: 0.05 mm larger all over, a bump of 0.4 mm (6 mm wide)
//                 on the base plate's top, meshed within 0.05 mm with edges of 8 mm at most
//                 and its vertices moved by a noise of up to 0.01 mm, as a binary STL (for
//                 --analysis deviation --reference bracket.step);
//   moulded.step  a moulded cup, 40 x 30 x 20 mm, whose walls are drafted against the pull +z by
//                 3 (left), 1.5 (front), 0.5 (right) and -2 degrees (back, an undercut), its top
//                 edges rounded with a 2 mm fillet (for --analysis draft).
#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Tool.hxx>
#include <OSD_Path.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <TopExp.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <Message.hxx>
#include <STEPControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

TopoDS_Shape Bracket() {
  const TopoDS_Shape base = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 80, 50, 12).Shape();
  const TopoDS_Shape upright = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 12, 50, 60).Shape();
  const TopoDS_Shape angle = BRepAlgoAPI_Fuse(base, upright).Shape();
  BRepFilletAPI_MakeFillet fillet(angle);
  for (TopExp_Explorer edges(angle, TopAbs_EDGE); edges.More(); edges.Next()) {
    fillet.Add(3.0, TopoDS::Edge(edges.Current()));
  }
  const TopoDS_Shape throughBase =
      BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(50, 25, -1), gp_Dir(0, 0, 1)), 9, 20).Shape();
  const TopoDS_Shape throughUpright =
      BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(-1, 25, 38), gp_Dir(1, 0, 0)), 9, 20).Shape();
  return BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(fillet.Shape(), throughBase).Shape(), throughUpright).Shape();
}

// The cup: a ruled solid between its base (z = 0) and its top (z = 20), each wall leaning in by
// its draft, the top edges filleted.
TopoDS_Shape Moulded() {
  constexpr double kHeight = 20.0;
  auto in = [](double degrees) { return kHeight * std::tan(degrees * M_PI / 180.0); };
  const double left = in(3.0), right = in(0.5), front = in(1.5), back = in(-2.0);
  auto rectangle = [](double x0, double y0, double x1, double y1, double z) {
    BRepBuilderAPI_MakePolygon polygon(gp_Pnt(x0, y0, z), gp_Pnt(x1, y0, z), gp_Pnt(x1, y1, z), gp_Pnt(x0, y1, z), true);
    return polygon.Wire();
  };
  BRepOffsetAPI_ThruSections sections(true, true);
  sections.AddWire(rectangle(0, 0, 40, 30, 0));
  sections.AddWire(rectangle(left, front, 40 - right, 30 - back, kHeight));
  const TopoDS_Shape cup = sections.Shape();
  BRepFilletAPI_MakeFillet fillet(cup);
  for (TopExp_Explorer edges(cup, TopAbs_EDGE); edges.More(); edges.Next()) {
    const TopoDS_Edge& edge = TopoDS::Edge(edges.Current());
    TopoDS_Vertex first, last;
    TopExp::Vertices(edge, first, last);
    if (BRep_Tool::Pnt(first).Z() > kHeight - 1e-6 && BRep_Tool::Pnt(last).Z() > kHeight - 1e-6) fillet.Add(2.0, edge);
  }
  return fillet.Shape();
}

// A deterministic noise in [-1, 1].
double Noise(std::uint64_t& state) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<double>(state >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// Orders the triangles by their corners' places, each turned to start at its least corner, and
// numbers the nodes in the order the triangles first use them.
void Canonical(std::vector<gp_Pnt>& nodes, std::vector<std::array<int, 3>>& triangles) {
  auto place = [&nodes](int n) {
    const gp_Pnt& p = nodes[static_cast<std::size_t>(n)];
    return std::array<double, 3>{p.X(), p.Y(), p.Z()};
  };
  for (std::array<int, 3>& t : triangles) {
    while (place(t[0]) > place(t[1]) || place(t[0]) > place(t[2])) t = {t[1], t[2], t[0]};
  }
  std::sort(triangles.begin(), triangles.end(), [&place](const std::array<int, 3>& a, const std::array<int, 3>& b) {
    return std::array{place(a[0]), place(a[1]), place(a[2])} < std::array{place(b[0]), place(b[1]), place(b[2])};
  });
  std::vector<int> renumbered(nodes.size(), -1);
  std::vector<gp_Pnt> ordered;
  for (std::array<int, 3>& t : triangles) {
    for (int& n : t) {
      if (renumbered[static_cast<std::size_t>(n)] < 0) {
        renumbered[static_cast<std::size_t>(n)] = static_cast<int>(ordered.size());
        ordered.push_back(nodes[static_cast<std::size_t>(n)]);
      }
      n = renumbered[static_cast<std::size_t>(n)];
    }
  }
  nodes = std::move(ordered);
}

// Splits the triangles' edges longer than `longest` at their middles, both sides of an edge alike,
// until none is: a scanner's even spread of points (the mesher leaves a plane in a few triangles).
void SplitLongEdges(std::vector<gp_Pnt>& nodes, std::vector<std::array<int, 3>>& triangles, double longest) {
  for (bool split = true; split;) {
    std::map<std::pair<int, int>, int> middles;  // the edges to split, by their ends, with their middle's node
    auto edge = [](int a, int b) { return std::pair(std::min(a, b), std::max(a, b)); };
    for (const std::array<int, 3>& t : triangles) {
      int longestEdge = -1;
      double length = longest;
      for (int k = 0; k < 3; ++k) {
        const double d = nodes[static_cast<std::size_t>(t[k])].Distance(nodes[static_cast<std::size_t>(t[(k + 1) % 3])]);
        if (d > length) length = d, longestEdge = k;
      }
      if (longestEdge >= 0) middles.emplace(edge(t[longestEdge], t[(longestEdge + 1) % 3]), -1);
    }
    split = !middles.empty();
    for (auto& [ends, middle] : middles) {
      middle = static_cast<int>(nodes.size());
      nodes.push_back(gp_Pnt((nodes[static_cast<std::size_t>(ends.first)].XYZ() + nodes[static_cast<std::size_t>(ends.second)].XYZ()) / 2.0));
    }
    std::vector<std::array<int, 3>> finer;
    for (const std::array<int, 3>& t : triangles) {
      int m[3];
      for (int k = 0; k < 3; ++k) {
        const auto found = middles.find(edge(t[k], t[(k + 1) % 3]));
        m[k] = found == middles.end() ? -1 : found->second;
      }
      // Cut at the first split edge, then the two halves again as they need: each piece keeps the
      // turn of the triangle.
      std::vector<std::array<int, 3>> pieces{t};
      for (int k = 0; k < 3; ++k) {
        if (m[k] < 0) continue;
        std::vector<std::array<int, 3>> next;
        for (const std::array<int, 3>& piece : pieces) {
          int at = -1;
          for (int j = 0; j < 3; ++j) {
            if (edge(piece[j], piece[(j + 1) % 3]) == edge(t[k], t[(k + 1) % 3])) at = j;
          }
          if (at < 0) {
            next.push_back(piece);
            continue;
          }
          const int a = piece[at], b = piece[(at + 1) % 3], c = piece[(at + 2) % 3];
          next.push_back({a, m[k], c});
          next.push_back({m[k], b, c});
        }
        pieces = std::move(next);
      }
      finer.insert(finer.end(), pieces.begin(), pieces.end());
    }
    triangles = std::move(finer);
  }
}

// The bracket as made and scanned (see above): its offset meshed, the nodes the faces share taken
// as one, long edges split, each node moved along its normal by the bump and the noise.
bool WriteScan(const TopoDS_Shape& nominal, const std::string& path) {
  const TopoDS_Shape made = [&nominal] {
    BRepOffsetAPI_MakeOffsetShape offset;
    offset.PerformByJoin(nominal, 0.05, 1e-6);
    return offset.Shape();
  }();
  BRepMesh_IncrementalMesh(made, 0.05, false, 0.5, false);
  std::map<std::array<double, 3>, int> welded;
  std::vector<gp_Pnt> nodes;
  std::vector<std::array<int, 3>> triangles;
  for (TopExp_Explorer faces(made, TopAbs_FACE); faces.More(); faces.Next()) {
    const TopoDS_Face& face = TopoDS::Face(faces.Current());
    TopLoc_Location location;
    const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
    if (mesh.IsNull()) continue;
    std::vector<int> index(static_cast<std::size_t>(mesh->NbNodes()) + 1);
    for (int n = 1; n <= mesh->NbNodes(); ++n) {
      const gp_Pnt p = mesh->Node(n).Transformed(location.Transformation());
      const auto [at, added] = welded.try_emplace({p.X(), p.Y(), p.Z()}, static_cast<int>(nodes.size()));
      if (added) nodes.push_back(p);
      index[static_cast<std::size_t>(n)] = at->second;
    }
    for (int t = 1; t <= mesh->NbTriangles(); ++t) {
      int a, b, c;
      mesh->Triangle(t).Get(a, b, c);
      if (face.Orientation() == TopAbs_REVERSED) std::swap(b, c);
      triangles.push_back({index[static_cast<std::size_t>(a)], index[static_cast<std::size_t>(b)], index[static_cast<std::size_t>(c)]});
    }
  }
  // The offset's faces come in an order of the kernel's own, not the same every run: the
  // triangles and nodes are put in an order of their places, so that the file is.
  Canonical(nodes, triangles);
  SplitLongEdges(nodes, triangles, 8);
  std::vector<gp_Vec> normals(nodes.size(), gp_Vec(0, 0, 0));
  for (const std::array<int, 3>& t : triangles) {
    const gp_Pnt& a = nodes[static_cast<std::size_t>(t[0])];
    const gp_Vec area = gp_Vec(a, nodes[static_cast<std::size_t>(t[1])]).Crossed(gp_Vec(a, nodes[static_cast<std::size_t>(t[2])]));
    for (int i : t) normals[static_cast<std::size_t>(i)] += area;
  }
  Handle(Poly_Triangulation) scan = new Poly_Triangulation(static_cast<int>(nodes.size()), static_cast<int>(triangles.size()), false);
  std::uint64_t state = 2026;
  const gp_Pnt bump(50.0, 12.0, 12.05);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const double d2 = nodes[i].SquareDistance(bump);
    const double along = 0.4 * std::exp(-d2 / (2.0 * 6.0 * 6.0)) + 0.01 * Noise(state);
    const gp_Vec normal = normals[i].Magnitude() > 0.0 ? normals[i].Normalized() : gp_Vec(0, 0, 0);
    scan->SetNode(static_cast<int>(i) + 1, nodes[i].Translated(along * normal));
  }
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    scan->SetTriangle(static_cast<int>(t) + 1, Poly_Triangle(triangles[t][0] + 1, triangles[t][1] + 1, triangles[t][2] + 1));
  }
  if (!RWStl::WriteBinary(scan, OSD_Path(path.c_str()))) {
    std::fprintf(stderr, "make-example-parts: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s\n", path.c_str());
  return true;
}

bool Write(const TopoDS_Shape& shape, const std::string& path) {
  STEPControl_Writer writer;
  if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone) return false;
  // A fixed time stamp: the files change only when the parts do.
  APIHeaderSection_MakeHeader header(writer.Model());
  header.SetTimeStamp(new TCollection_HAsciiString("2026-12-07T00:00:00"));
  if (writer.Write(path.c_str()) != IFSelect_RetDone) {
    std::fprintf(stderr, "make-example-parts: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_Printer));
  try {
    const TopoDS_Shape bracket = Bracket();
    return Write(bracket, folder + "bracket.step") &&
                   Write(BRepPrimAPI_MakeTorus(5.0, 1.5).Shape(), folder + "torus.step") &&
                   WriteScan(bracket, folder + "bracket-scan.stl") && Write(Moulded(), folder + "moulded.step")
               ? 0
               : 1;
  } catch (const Standard_Failure& failure) {
    std::fprintf(stderr, "make-example-parts: the CAD kernel failed: %s\n", failure.GetMessageString());
    return 1;
  }
}
