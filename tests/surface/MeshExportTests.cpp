// The analysed mesh as other tools take it: glTF's colors are linear light, converted back to the
// scale's sRGB bytes exactly, with the value beside them.
#include <gtest/gtest.h>

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

#include <cmath>
#include <cstring>

#include "zorhost/palettes/ColorSpaces.h"
#include "zorhost/surface/MeshExport.h"

namespace {

// The floats of accessor `index` of `model`.
std::vector<float> Floats(const tinygltf::Model& model, int index) {
  const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
  const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
  const tinygltf::Buffer& buffer = model.buffers[static_cast<std::size_t>(view.buffer)];
  std::vector<float> floats(view.byteLength / sizeof(float));
  std::memcpy(floats.data(), buffer.data.data() + view.byteOffset + accessor.byteOffset, view.byteLength);
  return floats;
}

TEST(MeshExport, GltfColorsAreLinearAndConvertBackToTheScalesBytes) {
  // Every byte of a component, on the vertices of a strip of triangles.
  ZORSurfaceMesh mesh;
  std::vector<ZORRgba> colors;
  for (int i = 0; i < 256; ++i) {
    mesh.positions.push_back({static_cast<double>(i), static_cast<double>(i % 2), 0.0});
    mesh.values.push_back(i == 7 ? std::nan("") : 0.25 * i);
    colors.push_back({i, 255 - i, (i * 37) % 256, (i * 11) % 256});
    if (i >= 2) mesh.triangles.push_back({i - 2, i - 1, i});
  }
  std::string bytes;
  ASSERT_EQ(ZORFormatGlb(mesh, colors, bytes), std::nullopt);
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string error, warning;
  ASSERT_TRUE(loader.LoadBinaryFromMemory(&model, &error, &warning, reinterpret_cast<const unsigned char*>(bytes.data()),
                                          static_cast<unsigned>(bytes.size())))
      << error;
  const tinygltf::Primitive& primitive = model.meshes.at(0).primitives.at(0);
  const tinygltf::Accessor& color = model.accessors.at(static_cast<std::size_t>(primitive.attributes.at("COLOR_0")));
  EXPECT_EQ(color.componentType, TINYGLTF_COMPONENT_TYPE_FLOAT);
  EXPECT_EQ(color.type, TINYGLTF_TYPE_VEC4);
  const std::vector<float> light = Floats(model, primitive.attributes.at("COLOR_0"));
  const std::vector<float> values = Floats(model, primitive.attributes.at("_VALUE"));
  ASSERT_EQ(light.size(), 4u * 256u);
  for (std::size_t v = 0; v < 256; ++v) {
    const ZORRgba& c = colors[v];
    const int components[3] = {c.red, c.green, c.blue};
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(std::lround(ZORSrgbOfLinear(light[4 * v + k]) * 255.0), components[k]) << v << " " << k;
    }
    EXPECT_EQ(std::lround(static_cast<double>(light[4 * v + 3]) * 255.0), c.alpha) << v;
    if (v == 7) {
      EXPECT_TRUE(std::isnan(values[v]));
    } else {
      EXPECT_EQ(values[v], static_cast<float>(mesh.values[v]));
    }
  }
  // Light, not the bytes' share: a middle gray of the scale is about a fifth of full light.
  EXPECT_NEAR(static_cast<double>(light[4 * 128]), 0.2158, 0.001);
}

}  // namespace
