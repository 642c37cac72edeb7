// Meshes: the rasterizer, the PLY and OBJ files, and the discrete curvature of spheres meshed ever finer.
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <span>
#include <sstream>

#include "zorhost/surface/CadKernel.h"
#include "zorhost/surface/EdgeUses.h"
#include "zorhost/surface/MeshCurvature.h"
#include "zorhost/surface/MeshFiles.h"
#include "zorhost/surface/ObjFiles.h"
#include "zorhost/surface/Part.h"
#include "zorhost/surface/PartPicture.h"
#include "zorhost/surface/PlyFiles.h"
#include "zorhost/surface/Rasterizer.h"

namespace {

namespace fs = std::filesystem;

TEST(Rasterizer, NearestTriangleAtEachPixelCentre) {
  // A square of 10 x 10 pixels in two triangles at depth 0, and in front of part of it a
  // triangle at depth 1; one triangle seen edge on.
  const std::vector<ZORVec3> screen = {{0, 0, 0},  {10, 0, 0},  {10, 10, 0}, {0, 10, 0},
                                       {0, 0, 1},  {4, 0, 1},   {0, 4, 1},   {2, 2, 5},
                                       {6, 6, 5},  {9, 9, 5}};
  const std::vector<ZORTriangle> triangles = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  const ZORRaster raster = ZORRasterize(screen, triangles, 12, 12);
  int covered = 0, front = 0;
  for (int row = 0; row < 12; ++row) {
    for (int column = 0; column < 12; ++column) {
      const std::size_t at = static_cast<std::size_t>(row * 12 + column);
      const int t = raster.triangle[at];
      EXPECT_EQ(t >= 0, row < 10 && column < 10) << row << ", " << column;
      if (t < 0) continue;
      ++covered;
      const std::array<double, 3> b = raster.Barycentric(at);
      EXPECT_NEAR(b[0] + b[1] + b[2], 1.0, 1e-12);
      // The barycentric coordinates give back the pixel's centre.
      const ZORTriangle& corners = triangles[static_cast<std::size_t>(t)];
      double x = 0, y = 0;
      for (int i = 0; i < 3; ++i) {
        x += b[i] * screen[static_cast<std::size_t>(corners[i])].x;
        y += b[i] * screen[static_cast<std::size_t>(corners[i])].y;
      }
      EXPECT_NEAR(x, column + 0.5, 1e-9);
      EXPECT_NEAR(y, row + 0.5, 1e-9);
      const bool inFront = column + row + 1 <= 4;  // inside the triangle at depth 1
      EXPECT_EQ(t == 2, inFront) << row << ", " << column;
      front += t == 2;
      EXPECT_NE(t, 3);  // seen edge on
    }
  }
  EXPECT_EQ(covered, 100);
  EXPECT_EQ(front, 10);
}

TEST(Rasterizer, NoPixelFallsBetweenTrianglesThatShareAnEdge) {
  // Pairs of triangles over a plane behind them, sharing an edge that runs through a pixel centre
  // (as nearly as doubles allow) at an odd slope: the centre sees one of the pair, never the plane
  // through a crack between them. Edge functions taken as each triangle runs missed about one
  // pair in forty.
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), along(0.1, 20.0), near(-30.0, 30.0);
  int pairs = 0;
  while (pairs < 2000) {
    const ZORVec3 centre{40.5, 40.5, 0.0};
    const ZORVec3 direction{unit(random), unit(random), 0.0};
    const ZORVec3 a = centre - along(random) * direction, b = centre + along(random) * direction;
    const ZORVec3 c{centre.x + near(random), centre.y + near(random), 0.5};
    const ZORVec3 d{centre.x + near(random), centre.y + near(random), 0.5};
    auto area = [](const ZORVec3& p, const ZORVec3& q, const ZORVec3& r) {
      return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    };
    if (!(area(a, b, c) > 0.0 && area(b, a, d) > 0.0)) continue;  // c and d on either side
    ++pairs;
    const std::vector<ZORVec3> screen = {{-100, -100, -1}, {300, -100, -1}, {100, 300, -1}, a, b, c, d};
    // Either winding, as meshes have them.
    const std::vector<ZORTriangle> triangles =
        pairs % 2 == 0 ? std::vector<ZORTriangle>{{0, 1, 2}, {3, 4, 5}, {4, 3, 6}}
                       : std::vector<ZORTriangle>{{0, 1, 2}, {5, 4, 3}, {6, 3, 4}};
    const ZORRaster raster = ZORRasterize(screen, triangles, 81, 81);
    ASSERT_GT(raster.triangle[40 * 81 + 40], 0) << "pair " << pairs;
  }
}

TEST(Rasterizer, LongThinTrianglesCostTheirPixelsAndThreadsChangeNothing) {
  // The bracket's faces meshed for a picture (on any number of threads) make long thin
  // triangles: each row of a triangle tests the centres near its span, not its whole box, and
  // bands of rows on any number of threads give the same raster as one pixel rasterized alone.
  std::unique_ptr<ZORPart> bracket;
  ASSERT_EQ(ZORReadPart(ZOR_EXAMPLE_PARTS "/bracket.step", bracket), std::nullopt);
  constexpr int kWidth = 1024, kHeight = 768;
  const double deflection = ZORPictureDeflection(*bracket, kWidth, kHeight, 1.0);
  // Its faces meshed by the kernel on its threads are the faces meshed one after another.
  ASSERT_EQ(bracket->Prepare(deflection, false, 1), std::nullopt);
  const ZORSurfaceMesh meshedAlone = bracket->Mesh();
  ASSERT_EQ(bracket->Prepare(2.0 * deflection, false, 1), std::nullopt);
  ASSERT_EQ(bracket->Prepare(deflection, false, 2), std::nullopt);
  EXPECT_EQ(bracket->Mesh().positions, meshedAlone.positions);
  EXPECT_EQ(bracket->Mesh().triangles, meshedAlone.triangles);
  const ZORCamera camera = ZORFitCameraToMesh(*bracket, ZORViewpoint{}, kWidth, kHeight);
  const ZORRaster one = ZORRasterizePart(*bracket, camera, kWidth, kHeight, 1);
  EXPECT_LE(one.centreTests, 2u * kWidth * kHeight);
  for (int threads : {2, 7}) {
    const ZORRaster many = ZORRasterizePart(*bracket, camera, kWidth, kHeight, threads);
    EXPECT_EQ(many.triangle, one.triangle) << threads << " threads";
    EXPECT_EQ(many.centreTests, one.centreTests);
  }
  std::vector<ZORVec3> screen;
  for (const ZORVec3& p : bracket->Mesh().positions) screen.push_back(camera.ToScreen(p));
  std::mt19937_64 random(5);
  int seen = 0;
  for (int probe = 0; probe < 300; ++probe) {
    const int column = static_cast<int>(random() % kWidth), row = static_cast<int>(random() % kHeight);
    const std::optional<ZORRasterHit> alone = ZORRasterizePixel(screen, bracket->Mesh().triangles, column, row);
    const std::size_t pixel = static_cast<std::size_t>(row) * kWidth + static_cast<std::size_t>(column);
    ASSERT_EQ(alone ? alone->triangle : -1, one.triangle[pixel]) << column << ", " << row;
    if (!alone) continue;
    ++seen;
    EXPECT_EQ(alone->barycentric, one.Barycentric(pixel));
  }
  EXPECT_GT(seen, 30);
}

TEST(MeshFiles, VerticesWithinRoundingOfEachOtherAreWelded) {
  // Two triangles meshed apart over a shared edge whose copies differ by single-precision
  // rounding, and a sliver that welding collapses.
  const double rounding = 1e-7;
  ZORSurfaceMesh mesh;
  mesh.positions = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0},                    // first triangle
                    {10 + rounding, 0, 0}, {0, 10 - rounding, 0}, {10, 10, 0},  // second
                    {5, 5, 0}, {5 + rounding, 5, 0}, {6, 6, 1}};          // the sliver
  mesh.triangles = {{0, 1, 2}, {3, 5, 4}, {6, 7, 8}};
  EXPECT_EQ(ZORWeldVertices(mesh), 1u);
  EXPECT_EQ(mesh.positions.size(), 6u);
  ASSERT_EQ(mesh.triangles.size(), 2u);
  EXPECT_EQ(mesh.triangles[1][0], mesh.triangles[0][1]);
  EXPECT_EQ(mesh.triangles[1][2], mesh.triangles[0][2]);
  // Points a thousandth of the size apart stay apart.
  ZORSurfaceMesh apart;
  apart.positions = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0.01, 0, 0}};
  apart.triangles = {{0, 1, 2}, {3, 1, 2}};
  EXPECT_EQ(ZORWeldVertices(apart), 0u);
  EXPECT_EQ(apart.positions.size(), 4u);
}

// The weld as it was first written, by cells of the reach and a map of them: slow on big meshes,
// plain to read. The weld must give its result.
std::size_t WeldByMapOfCells(ZORSurfaceMesh& mesh) {
  ZORVec3 lowest = mesh.positions.front(), highest = lowest;
  for (const ZORVec3& p : mesh.positions) {
    lowest = {std::min(lowest.x, p.x), std::min(lowest.y, p.y), std::min(lowest.z, p.z)};
    highest = {std::max(highest.x, p.x), std::max(highest.y, p.y), std::max(highest.z, p.z)};
  }
  const double reach = 1e-6 * Length(highest - lowest);
  using Cell = std::array<std::int64_t, 3>;
  std::map<Cell, std::vector<int>> cells;
  auto cellOf = [&](const ZORVec3& p) {
    return Cell{static_cast<std::int64_t>(std::floor((p.x - lowest.x) / reach)),
                static_cast<std::int64_t>(std::floor((p.y - lowest.y) / reach)),
                static_cast<std::int64_t>(std::floor((p.z - lowest.z) / reach))};
  };
  std::vector<int> welded(mesh.positions.size());
  std::vector<ZORVec3> positions;
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    const Cell cell = cellOf(p);
    int match = -1;
    for (std::int64_t dx = -1; dx <= 1 && match < 0; ++dx) {
      for (std::int64_t dy = -1; dy <= 1 && match < 0; ++dy) {
        for (std::int64_t dz = -1; dz <= 1 && match < 0; ++dz) {
          const auto found = cells.find({cell[0] + dx, cell[1] + dy, cell[2] + dz});
          if (found == cells.end()) continue;
          for (int candidate : found->second) {
            if (Length(positions[static_cast<std::size_t>(candidate)] - p) <= reach) {
              match = candidate;
              break;
            }
          }
        }
      }
    }
    if (match < 0) {
      match = static_cast<int>(positions.size());
      positions.push_back(p);
      cells[cell].push_back(match);
    }
    welded[v] = match;
  }
  std::vector<ZORTriangle> triangles;
  for (const ZORTriangle& t : mesh.triangles) {
    const ZORTriangle c = {welded[static_cast<std::size_t>(t[0])], welded[static_cast<std::size_t>(t[1])],
                           welded[static_cast<std::size_t>(t[2])]};
    if (c[0] != c[1] && c[1] != c[2] && c[0] != c[2]) triangles.push_back(c);
  }
  const std::size_t dropped = mesh.triangles.size() - triangles.size();
  mesh.positions = std::move(positions);
  mesh.triangles = std::move(triangles);
  return dropped;
}

TEST(MeshFiles, TheWeldIsTheOneByCellsOfTheReach) {
  // The example scan and a torus as triangle soups, each corner its own vertex rounded to single
  // precision (as an STL holds it), in a shuffled order, with rounding-sized jitter on some.
  std::unique_ptr<ZORPart> scan;
  ASSERT_EQ(ZORReadPart(ZOR_EXAMPLE_PARTS "/bracket-scan.stl", scan), std::nullopt);
  std::unique_ptr<ZORPart> torus;
  ASSERT_EQ(ZORReadPart(ZOR_EXAMPLE_PARTS "/torus.step", torus), std::nullopt);
  ASSERT_EQ(torus->Prepare(0.01), std::nullopt);
  std::mt19937_64 random(7);
  for (const ZORSurfaceMesh* source : {&scan->Mesh(), &torus->Mesh()}) {
    std::vector<ZORTriangle> order = source->triangles;
    std::shuffle(order.begin(), order.end(), random);
    ZORSurfaceMesh soup;
    std::uniform_real_distribution<double> jitter(-2e-7, 2e-7);
    for (const ZORTriangle& t : order) {
      for (int corner : t) {
        const ZORVec3& p = source->positions[static_cast<std::size_t>(corner)];
        ZORVec3 rounded{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
        if (random() % 7 == 0) rounded.x += jitter(random);
        soup.positions.push_back(rounded);
      }
      const int first = static_cast<int>(soup.positions.size()) - 3;
      soup.triangles.push_back({first, first + 1, first + 2});
    }
    ZORSurfaceMesh expected = soup;
    EXPECT_EQ(ZORWeldVertices(soup), WeldByMapOfCells(expected));
    EXPECT_EQ(soup.positions, expected.positions);
    EXPECT_EQ(soup.triangles, expected.triangles);
  }
}

// Two squares side by side, one all 0 and one all 100, their shared side given twice (once with
// each square's value): a vertex is never made one with another that carries another value, and a
// file that already joins its triangles keeps every one of them, those without area too.
TEST(MeshWeld, VerticesWithOtherValuesStayApartAndAFilesTrianglesStayWhole) {
  for (bool soup : {false, true}) {
    ZORSurfaceMesh mesh;
    auto square = [&](double x0, double value) {
      const int first = static_cast<int>(mesh.positions.size());
      const ZORVec3 corners[] = {{x0, 0, 0}, {x0 + 1, 0, 0}, {x0 + 1, 1, 0}, {x0, 1, 0}};
      const ZORTriangle triangles[] = {{0, 1, 2}, {0, 2, 3}};
      for (const ZORTriangle& t : triangles) {
        for (int k = 0; k < 3; ++k) {
          // A soup has each corner its own vertex; a joined file shares them within a square.
          if (soup || (t == triangles[0]) || k == 2) {
            mesh.positions.push_back(corners[t[static_cast<std::size_t>(k)]]);
            mesh.field.push_back(value);
          }
        }
      }
      const int base = first;
      if (soup) {
        mesh.triangles.push_back({base, base + 1, base + 2});
        mesh.triangles.push_back({base + 3, base + 4, base + 5});
      } else {
        mesh.triangles.push_back({base, base + 1, base + 2});
        mesh.triangles.push_back({base, base + 2, base + 3});
      }
    };
    square(0.0, 0.0);
    square(1.0, 100.0);
    if (!soup) {
      // A triangle without area whose corners the file gives apart, at one place.
      mesh.positions.push_back({2, 1, 0});
      mesh.field.push_back(100.0);
      mesh.triangles.push_back({6, 7, static_cast<int>(mesh.positions.size()) - 1});
    }
    const std::size_t triangles = mesh.triangles.size();
    EXPECT_EQ(ZORWeldVertices(mesh), 0u) << soup;
    EXPECT_EQ(mesh.triangles.size(), triangles) << soup;
    ASSERT_EQ(mesh.field.size(), mesh.positions.size());
    for (std::size_t t = 0; t < 4; ++t) {
      for (int corner : mesh.triangles[t]) {
        EXPECT_EQ(mesh.field[static_cast<std::size_t>(corner)], t < 2 ? 0.0 : 100.0) << soup << " " << t;
      }
    }
  }
}

// Each text of `damaged` refused by `read` with a message that holds the text beside it.
template <class Read>
void ExpectRefusals(std::span<const std::pair<std::string, std::string>> damaged, Read read) {
  for (const auto& [text, message] : damaged) {
    ZORSurfaceMesh nothing;
    const ZOROutcome refused = read(text, nothing);
    ASSERT_TRUE(refused) << text;
    EXPECT_NE(refused->message.find(message), std::string::npos) << *refused;
  }
}

TEST(PlyFiles, WrittenAndReadBackAndDamageRefused) {
  ZORSurfaceMesh mesh;
  mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5}};
  mesh.triangles = {{0, 1, 2}};
  mesh.values = {0.25, std::nan(""), -1e300};
  const std::string bytes = ZORFormatPly(mesh, {{1, 2, 3, 4}, {300, -5, 6, 7}, {8, 9, 10, 255}});
  // The header is exactly what other tools expect.
  EXPECT_EQ(bytes.substr(0, bytes.find("end_header")).substr(bytes.find("element vertex")),
            "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
            "property double value\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
            "property uchar alpha\nelement face 1\nproperty list uchar int vertex_indices\n");
  ZORSurfaceMesh read;
  ASSERT_EQ(ZORReadPly(bytes, read), std::nullopt);
  EXPECT_EQ(read.positions, mesh.positions);
  EXPECT_EQ(read.triangles, mesh.triangles);

  const std::pair<std::string, std::string> damaged[] = {
      {"ply\nformat ascii 1.0\nelement vertex 1000000000\nproperty float x\nproperty float y\n"
       "property float z\nend_header\n0 0 0\n",
       "cannot fit in the file"},
      {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\nnan 1 0\n3 0 1 2\n",
       "vertex 2: a coordinate is not finite"},
      {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n",
       "face 0: the index 7"},
      {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n",
       "no end_header"},
      {"solid x\n", "header line 1"},
      {"ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty double x\nproperty double y\n"
       "property double z\nend_header\n\x01\x02",
       "cannot fit in the file"},
  };
  ExpectRefusals(damaged, [](const std::string& damage, ZORSurfaceMesh& into) { return ZORReadPly(damage, into); });
  // Polygons become fans of triangles.
  const std::string quad =
      "ply\nformat ascii 1.0\ncomment a square\nelement vertex 4\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
      "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n";
  ZORSurfaceMesh square;
  ASSERT_EQ(ZORReadPly(quad, square), std::nullopt);
  EXPECT_EQ(square.triangles, (std::vector<ZORTriangle>{{0, 1, 2}, {0, 2, 3}}));
}

TEST(ObjFiles, WhatModellersWriteIsReadAndDamageIsToldAtItsLine) {
  // Comments, groups, normals and texture coordinates skipped; v/t/n corners, negative indices,
  // a line continued, CRLF ends, a fourth vertex number, and a pentagon made a fan.
  const std::string text =
      "# made by hand\r\nmtllib parts.mtl\r\no part\r\nv 0 0 0\r\nv +1 0 0 1\r\nv 1 1 0\r\nv 0 1 0 # corner\r\n"
      "v 0.5 1.5e0 \\\r\n  0\r\nvt 0 0\r\nvn 0 0 1\r\ng top\r\nusemtl red\r\ns off\r\n"
      "f 1/1/1 2//1 3\r\nf -5 -3 -2 -1\r\nf 1 2 3 5 4\r\n";
  ZORSurfaceMesh mesh;
  ASSERT_EQ(ZORReadObj(text, mesh), std::nullopt);
  EXPECT_EQ(mesh.positions, (std::vector<ZORVec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 1.5, 0}}));
  EXPECT_EQ(mesh.triangles,
            (std::vector<ZORTriangle>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 1, 2}, {0, 2, 4}, {0, 4, 3}}));

  const std::pair<std::string, std::string> damaged[] = {
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", "line 4: the index '4' names no vertex (3 are defined before it)"},
      {"v 0 0 0\nv 1 0 0\nf 1 2 -3\nv 0 1 0\n", "line 3: the index '-3' names no vertex (2 are defined before it)"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", "line 4: the index '0'"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 x\n", "line 4: the index 'x'"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99999999999999999999\n", "the index '99999999999999999999'"},
      {"v 0 0 0\nv 1 0\n", "line 2: 'v 1 0' is not a vertex of three numbers"},
      {"v 0 0 0\nv 1 zero 0\n", "line 2: 'v 1 zero 0' is not a vertex"},
      {"v 0 0 0\nv 1 0 0\nf 1 2\n", "line 3: a face of fewer than three corners"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\n", "holds no triangle"},
      {"", "holds no triangle"},
  };
  ExpectRefusals(damaged, [](const std::string& damage, ZORSurfaceMesh& into) { return ZORReadObj(damage, into); });
}

// A PLY of a random mesh of `vertices` and `faces` (triangles, and a quad when `quad`), ascii or
// binary little-endian, with a vertex property t and others to be read past.
std::string RandomPly(bool binary, std::size_t vertices, std::size_t faces, bool quad, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::ostringstream out;
  out << "ply\nformat " << (binary ? "binary_little_endian" : "ascii") << " 1.0\nelement vertex " << vertices
      << "\nproperty float x\nproperty float y\nproperty uchar quality\nproperty float z\nproperty double t\n"
         "element face "
      << faces << "\nproperty uchar flags\nproperty list uchar uint vertex_indices\nend_header\n";
  auto put = [&](auto value) {
    if (binary) {
      out.write(reinterpret_cast<const char*>(&value), sizeof value);
    } else {
      out << +value << ' ';
    }
  };
  out.precision(17);
  for (std::size_t v = 0; v < vertices; ++v) {
    put(coordinate(random)), put(coordinate(random)), put(std::uint8_t{7}), put(coordinate(random));
    put(static_cast<double>(coordinate(random)) * 1e3);
    if (!binary) out << '\n';
  }
  for (std::size_t f = 0; f < faces; ++f) {
    const std::uint8_t corners = quad && f == faces / 2 ? 4 : 3;
    put(std::uint8_t{1}), put(corners);
    for (int k = 0; k < corners; ++k) put(static_cast<std::uint32_t>(random() % vertices));
    if (!binary) out << '\n';
  }
  return out.str();
}

TEST(PlyFiles, BinaryRecordsReadInPlaceOnAnyThreadsAreWhatAsciiGivesRecordByRecord) {
  for (const bool quad : {false, true}) {
    const std::string ascii = RandomPly(false, 70000, 140000, quad, 5), binary = RandomPly(true, 70000, 140000, quad, 5);
    ZORSurfaceMesh byRecord;
    ASSERT_EQ(ZORReadPly(ascii, byRecord, "t"), std::nullopt);
    ASSERT_EQ(byRecord.triangles.size(), quad ? 140001u : 140000u);
    for (const int threads : {1, 2, 5}) {
      ZORSurfaceMesh inPlace;
      ASSERT_EQ(ZORReadPly(binary, inPlace, "t", threads), std::nullopt);
      EXPECT_EQ(inPlace.positions, byRecord.positions) << threads;
      EXPECT_EQ(inPlace.triangles, byRecord.triangles) << threads;
      EXPECT_EQ(inPlace.field, byRecord.field) << threads;
    }
  }
  // Damage deep in the records is told where it is, as a reader of one record at a time tells it.
  std::string damaged = RandomPly(true, 70000, 140000, false, 6);
  const std::size_t bodyAt = damaged.find("end_header\n") + 11, vertexBytes = 4 + 4 + 1 + 4 + 8;
  const float infinite = INFINITY;
  std::string badVertex = damaged;
  std::memcpy(&badVertex[bodyAt + 65000 * vertexBytes + 9], &infinite, 4);
  std::string badFace = damaged;
  const std::uint32_t beyond = 70000;
  std::memcpy(&badFace[bodyAt + 70000 * vertexBytes + 100001 * 14 + 2 + 4], &beyond, 4);
  for (const auto& [bytes, message] : {std::pair{badVertex, "vertex 65000: a coordinate is not finite"},
                                       std::pair{badFace, "face 100001: the index 70000 names no vertex"}}) {
    for (const int threads : {1, 3}) {
      ZORSurfaceMesh nothing;
      const ZOROutcome refused = ZORReadPly(bytes, nothing, {}, threads);
      ASSERT_TRUE(refused);
      EXPECT_EQ(refused->message, message);
    }
  }
}

// A sphere of radius 1 meshed by the CAD kernel within `deflection`, as a binary STL.
void WriteSphereStl(double deflection, const std::string& path) {
  ZORQuietKernel();
  TopoDS_Shape sphere = BRepPrimAPI_MakeSphere(1.0).Shape();
  BRepMesh_IncrementalMesh mesher(sphere, deflection, false, 0.3);
  TopoDS_Face face = TopoDS::Face(TopExp_Explorer(sphere, TopAbs_FACE).Current());
  TopLoc_Location location;
  ASSERT_TRUE(RWStl::WriteBinary(BRep_Tool::Triangulation(face, location), OSD_Path(path.c_str())));
}

TEST(MeshCurvature, SpheresMeshedFinerComeCloser) {
  const fs::path folder = fs::temp_directory_path() / ("zor-spheres-" + std::to_string(getpid()));
  fs::create_directories(folder);
  double previous[2] = {1e300, 1e300};
  for (double deflection : {0.02, 0.005, 0.00125}) {
    const std::string path = (folder / "sphere.stl").string();
    WriteSphereStl(deflection, path);
    std::string error;
    std::unique_ptr<ZORPart> part;
    ASSERT_EQ(ZORReadPart(path, part), std::nullopt);
    EXPECT_FALSE(part->Exact());
    double errors[2] = {0, 0};
    int counted = 0;
    for (int a = 0; a < 2; ++a) {
      ASSERT_EQ(part->Prepare(0.0), std::nullopt);
      part->Evaluate(*ZORMakeCurvatureAnalysis(a == 0 ? ZORAnalysis::Gaussian : ZORAnalysis::Mean));
      counted = 0;
      for (double value : part->Mesh().values) {
        ASSERT_FALSE(std::isnan(value)) << "a closed sphere has a value at every vertex";
        errors[a] += std::fabs(value - 1.0);  // K = 1 and H = 1 on the unit sphere
        ++counted;
      }
      errors[a] /= counted;
    }
    std::cout << "sphere within " << deflection << ": " << counted << " vertices, mean error of "
              << "K " << errors[0] << ", of H " << errors[1] << "\n";
    EXPECT_LT(errors[0], previous[0]);
    EXPECT_LT(errors[1], previous[1]);
    previous[0] = errors[0];
    previous[1] = errors[1];
  }
  EXPECT_LT(previous[0], 0.01);
  EXPECT_LT(previous[1], 0.01);
  fs::remove_all(folder);
}

TEST(EdgeUses, EachEdgeCountedWhicheverWayRoundUpToThree) {
  constexpr int kFar = 2147483646;  // the largest node an edge may have
  const std::vector<ZORTriangle> triangles = {{0, 1, 2}, {2, 1, 3}, {1, 2, 4}, {2, 1, 5}, {kFar - 1, kFar, 0}};
  const ZOREdgeUses uses(triangles);
  EXPECT_EQ(uses.Uses(1, 2), 3) << "used four times: three or more";
  EXPECT_EQ(uses.Uses(0, 1), 1);
  EXPECT_EQ(uses.Uses(kFar, kFar - 1), 1);
  EXPECT_EQ(uses.Uses(0, kFar), 1);
  EXPECT_EQ(uses.Uses(0, 3), 0);
  std::map<std::pair<int, int>, int> seen;
  uses.ForEach([&seen](int a, int b, int count) {
    EXPECT_LT(a, b);
    EXPECT_TRUE(seen.emplace(std::pair{a, b}, count).second);
  });
  EXPECT_EQ(seen.size(), 12u);
  EXPECT_EQ((seen[{kFar - 1, kFar}]), 1);
  EXPECT_EQ((seen[{1, 2}]), 3);
}

// The bits of every curvature, NaN or not, for comparing estimates made on other thread counts.
std::vector<std::uint64_t> Bits(const std::vector<ZORCurvatures>& curvatures, const std::vector<ZORVec3>& normals) {
  std::vector<std::uint64_t> bits;
  for (const ZORCurvatures& c : curvatures) {
    for (double value : {c.gaussian, c.mean, c.minimum, c.maximum}) bits.push_back(std::bit_cast<std::uint64_t>(value));
  }
  for (const ZORVec3& n : normals) {
    for (double value : {n.x, n.y, n.z}) bits.push_back(std::bit_cast<std::uint64_t>(value));
  }
  return bits;
}

TEST(MeshCurvature, AnyNumberOfThreadsGivesTheSameBits) {
  // A random mesh, whose triangles each touch every thread's share of the vertices, and the same
  // triangles sorted, whose threads share little.
  for (const bool sorted : {false, true}) {
    ZORSurfaceMesh mesh;
    ASSERT_EQ(ZORReadPly(RandomPly(true, 60000, 120000, false, 9), mesh), std::nullopt);
    if (sorted) std::sort(mesh.triangles.begin(), mesh.triangles.end());
    const std::vector<ZORVec3> normals = ZORMeshNormals(mesh, 1);
    const std::vector<std::uint64_t> one = Bits(ZOREstimateMeshCurvatures(mesh, normals, 1), normals);
    for (const int threads : {2, 3, 8}) {
      const std::vector<ZORVec3> more = ZORMeshNormals(mesh, threads);
      EXPECT_EQ(Bits(ZOREstimateMeshCurvatures(mesh, more, threads), more), one) << threads;
    }
  }
}

TEST(MeshCurvature, VerticesWithoutAClosedFanHaveNoValue) {
  // A tetrahedron whose vertex 3 has a fan of three faces; a fourth face made twice makes its
  // edges non-manifold; a degenerate triangle; a dangling vertex.
  ZORSurfaceMesh mesh;
  mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}, {2, 0, 0}};
  mesh.triangles = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
  std::vector<ZORCurvatures> curvatures = ZOREstimateMeshCurvatures(mesh, ZORMeshNormals(mesh));
  for (int v = 0; v < 4; ++v) EXPECT_FALSE(std::isnan(curvatures[static_cast<std::size_t>(v)].gaussian)) << v;
  EXPECT_TRUE(std::isnan(curvatures[4].gaussian));  // on no triangle
  mesh.triangles.push_back({0, 1, 3});              // the edges of this face now have three faces
  mesh.triangles.push_back({0, 1, 5});              // degenerate: on one line
  curvatures = ZOREstimateMeshCurvatures(mesh, ZORMeshNormals(mesh));
  EXPECT_TRUE(std::isnan(curvatures[0].mean));
  EXPECT_TRUE(std::isnan(curvatures[1].mean));
  EXPECT_TRUE(std::isnan(curvatures[5].mean));
}

}  // namespace
