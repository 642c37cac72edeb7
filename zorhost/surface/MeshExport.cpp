#include "zorhost/surface/MeshExport.h"

#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wnull-dereference"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <tiny_gltf.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>

#include "zorhost/common/Base64.h"
#include "zorhost/palettes/ColorSpaces.h"
#include "zorhost/surface/PlyFiles.h"

namespace {

// Appends `values` to the buffer as a view and an accessor of `count` elements; their index.
template <class T>
int AddAccessor(tinygltf::Model& model, const std::vector<T>& values, int count, int type,
                int componentType, bool normalized, int target) {
  tinygltf::Buffer& buffer = model.buffers.front();
  // Each view starts on a 4-byte boundary, as glTF asks.
  buffer.data.resize((buffer.data.size() + 3) / 4 * 4);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = buffer.data.size();
  view.byteLength = values.size() * sizeof(T);
  view.target = target;
  const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
  buffer.data.insert(buffer.data.end(), bytes, bytes + view.byteLength);
  model.bufferViews.push_back(view);
  tinygltf::Accessor accessor;
  accessor.bufferView = static_cast<int>(model.bufferViews.size() - 1);
  accessor.componentType = componentType;
  accessor.count = static_cast<std::size_t>(count);
  accessor.type = type;
  accessor.normalized = normalized;
  model.accessors.push_back(accessor);
  return static_cast<int>(model.accessors.size() - 1);
}

std::string Extension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

ZOROutcome ZORFormatGlb(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors, std::string& bytes) {
  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "zorhost";
  model.buffers.emplace_back();
  const int vertices = static_cast<int>(mesh.positions.size());
  std::vector<float> positions, values, light;
  std::vector<double> lowest(3, std::numeric_limits<double>::infinity());
  std::vector<double> highest(3, -std::numeric_limits<double>::infinity());
  for (int v = 0; v < vertices; ++v) {
    const ZORVec3& p = mesh.positions[static_cast<std::size_t>(v)];
    const float coordinates[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    for (int c = 0; c < 3; ++c) {
      positions.push_back(coordinates[c]);
      lowest[static_cast<std::size_t>(c)] = std::min(lowest[static_cast<std::size_t>(c)], static_cast<double>(coordinates[c]));
      highest[static_cast<std::size_t>(c)] = std::max(highest[static_cast<std::size_t>(c)], static_cast<double>(coordinates[c]));
    }
    values.push_back(static_cast<float>(mesh.values[static_cast<std::size_t>(v)]));
    // glTF's colors are linear light; the scale's are sRGB. Alpha is a share, not light.
    const ZORRgba& color = colors[static_cast<std::size_t>(v)];
    for (int component : {color.red, color.green, color.blue}) {
      light.push_back(static_cast<float>(ZORLinearOfSrgb(std::clamp(component, 0, 255) / 255.0)));
    }
    light.push_back(static_cast<float>(std::clamp(color.alpha, 0, 255) / 255.0));
  }
  std::vector<std::uint32_t> indices;
  for (const ZORTriangle& t : mesh.triangles) {
    for (int corner : t) indices.push_back(static_cast<std::uint32_t>(corner));
  }
  tinygltf::Primitive primitive;
  primitive.mode = TINYGLTF_MODE_TRIANGLES;
  primitive.attributes["POSITION"] =
      AddAccessor(model, positions, vertices, TINYGLTF_TYPE_VEC3, TINYGLTF_COMPONENT_TYPE_FLOAT, false,
                  TINYGLTF_TARGET_ARRAY_BUFFER);
  model.accessors.back().minValues = lowest;
  model.accessors.back().maxValues = highest;
  primitive.attributes["COLOR_0"] =
      AddAccessor(model, light, vertices, TINYGLTF_TYPE_VEC4, TINYGLTF_COMPONENT_TYPE_FLOAT,
                  false, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.attributes["_VALUE"] =
      AddAccessor(model, values, vertices, TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_FLOAT,
                  false, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.indices = AddAccessor(model, indices, static_cast<int>(indices.size()),
                                  TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                  false, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  tinygltf::Mesh gltfMesh;
  gltfMesh.name = "analysed surface";
  gltfMesh.primitives.push_back(primitive);
  model.meshes.push_back(gltfMesh);
  tinygltf::Node node;
  node.mesh = 0;
  model.nodes.push_back(node);
  tinygltf::Scene scene;
  scene.nodes.push_back(0);
  model.scenes.push_back(scene);
  model.defaultScene = 0;
  std::ostringstream out;
  tinygltf::TinyGLTF writer;
  if (!writer.WriteGltfSceneToStream(&model, out, false, true)) {
    return ZORFailure("the glTF writer failed");
  }
  bytes = out.str();
  return std::nullopt;
}

namespace {

// A data array of VTK's XML, inline binary: base64 of its length in bytes (UInt64) and its bytes.
template <class T>
std::string VtkArray(const char* type, const char* name, int components, const std::vector<T>& values) {
  std::string raw(sizeof(std::uint64_t) + values.size() * sizeof(T), '\0');
  const std::uint64_t bytes = values.size() * sizeof(T);
  std::memcpy(raw.data(), &bytes, sizeof bytes);
  if (bytes > 0) std::memcpy(raw.data() + sizeof bytes, values.data(), bytes);
  std::string array = std::string("        <DataArray type=\"") + type + "\"";
  if (name != nullptr) array += std::string(" Name=\"") + name + "\"";
  return array + " NumberOfComponents=\"" + std::to_string(components) + "\" format=\"binary\">" + ZORBase64(raw) +
         "</DataArray>\n";
}

}  // namespace

std::string ZORFormatVtp(const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors) {
  std::vector<double> points, values;
  std::vector<float> normals;
  std::vector<std::uint8_t> rgba;
  for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
    const ZORVec3& p = mesh.positions[v];
    points.insert(points.end(), {p.x, p.y, p.z});
    values.push_back(v < mesh.values.size() ? mesh.values[v] : std::numeric_limits<double>::quiet_NaN());
    const ZORVec3 n = v < mesh.normals.size() ? mesh.normals[v] : ZORVec3{};
    normals.insert(normals.end(), {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)});
    const ZORRgba& c = colors[v];
    for (int component : {c.red, c.green, c.blue, c.alpha}) rgba.push_back(static_cast<std::uint8_t>(std::clamp(component, 0, 255)));
  }
  std::vector<std::int64_t> connectivity, offsets;
  for (const ZORTriangle& t : mesh.triangles) {
    for (int corner : t) connectivity.push_back(corner);
    offsets.push_back(static_cast<std::int64_t>(connectivity.size()));
  }
  return "<?xml version=\"1.0\"?>\n"
         "<VTKFile type=\"PolyData\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
         "  <PolyData>\n"
         "    <Piece NumberOfPoints=\"" + std::to_string(mesh.positions.size()) +
         "\" NumberOfVerts=\"0\" NumberOfLines=\"0\" NumberOfStrips=\"0\" NumberOfPolys=\"" +
         std::to_string(mesh.triangles.size()) + "\">\n"
         "      <PointData Scalars=\"value\" Normals=\"Normals\">\n" +
         VtkArray("Float64", "value", 1, values) + VtkArray("UInt8", "color", 4, rgba) +
         VtkArray("Float32", "Normals", 3, normals) +
         "      </PointData>\n      <Points>\n" + VtkArray("Float64", nullptr, 3, points) +
         "      </Points>\n      <Polys>\n" + VtkArray("Int64", "connectivity", 1, connectivity) +
         VtkArray("Int64", "offsets", 1, offsets) + "      </Polys>\n    </Piece>\n  </PolyData>\n</VTKFile>\n";
}

ZOROutcome ZORFormatMesh(const std::string& path, const ZORSurfaceMesh& mesh, const std::vector<ZORRgba>& colors,
                         std::string& contents) {
  const std::string extension = Extension(path);
  if (extension == "vtp") {
    contents = ZORFormatVtp(mesh, colors);
    return std::nullopt;
  }
  if (extension == "ply") {
    contents = ZORFormatPly(mesh, colors);
    return std::nullopt;
  }
  if (extension == "glb") return ZORFormatGlb(mesh, colors, contents);
  return ZORBadInput(path + ": a mesh is written as .vtp, .ply or .glb, not '." + extension + "'");
}
