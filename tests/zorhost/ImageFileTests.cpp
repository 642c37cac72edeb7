// PNG files as zorhost writes them: any decoder reads back every pixel, and the bytes are the same
// whatever the number of threads that wrote them.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <random>
#include <vector>

#include "zorhost/figure/ImageFiles.h"

namespace {

std::vector<std::uint8_t> Decoded(const std::string& png, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return rgba;
}

// A picture as pictures go: flat regions, gradients, edges, and noise in one corner.
std::vector<std::uint8_t> Picture(int width, int height) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4];
      const bool noisy = x < width / 4 && y < height / 4;
      pixel[0] = noisy ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(x * 255 / width);
      pixel[1] = static_cast<std::uint8_t>((x / 17 + y / 13) % 2 ? 200 : 30);
      pixel[2] = static_cast<std::uint8_t>(y * 255 / height);
      pixel[3] = x > width / 2 ? 255 : static_cast<std::uint8_t>(128 + y % 100);
    }
  }
  return rgba;
}

TEST(ImageFiles, EveryPixelReadsBackAndTheBytesDoNotDependOnTheThreads) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 100}, std::pair{100, 33}, std::pair{640, 480}}) {
    const std::vector<std::uint8_t> rgba = Picture(width, height);
    const std::string png = ZOREncodePng(width, height, rgba, 1);
    int readWidth = 0, readHeight = 0;
    EXPECT_EQ(Decoded(png, readWidth, readHeight), rgba) << width << "x" << height;
    EXPECT_EQ(readWidth, width);
    EXPECT_EQ(readHeight, height);
    for (const int threads : {2, 7}) EXPECT_EQ(ZOREncodePng(width, height, rgba, threads), png) << threads;
  }
  // A flat picture compresses to little; a size that does not match its pixels gives nothing.
  const std::vector<std::uint8_t> flat(2048 * 1536 * 4, 200);
  EXPECT_LT(ZOREncodePng(2048, 1536, flat).size(), 100000u);
  EXPECT_EQ(ZOREncodePng(10, 10, flat), "");
  EXPECT_EQ(ZOREncodePng(0, 0, {}), "");
}

}  // namespace
