#include "zorhost/figure/ImageFiles.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "zorhost/common/Parallel.h"

namespace {

// Rows compressed as one deflate stream each: a fixed number, so that the file is the same for
// any number of threads.
constexpr int kRowsABand = 32;

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char (&type)[5], std::string_view data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.append(type, 4);
  out.append(data);
  const auto* checked = reinterpret_cast<const Bytef*>(out.data() + typeAt);
  PutBigEndian(out, static_cast<std::uint32_t>(crc32(0, checked, static_cast<uInt>(data.size() + 4))));
}

int Paeth(int left, int up, int upLeft) {
  const int estimate = left + up - upLeft;
  const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return left;
  return toUp <= toUpLeft ? up : upLeft;
}

// The row as the PNG filter `Predict` gives it (the byte less its prediction from the byte to the
// left, the one above and the one above left) into `out`, and the magnitude of its bytes read as
// signed; given up (any sum past `enough`) once past `enough`. A loop a filter, the first pixel
// apart, so that each compiles to straight code.
template <class Predict>
std::uint64_t Filter(const std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, char* out,
                     std::uint64_t enough, Predict predict) {
  constexpr std::size_t kPixel = 4;
  std::uint64_t sum = 0;
  auto put = [&](std::size_t i, int left, int upLeft) {
    const auto value = static_cast<std::uint8_t>(row[i] - predict(left, above[i], upLeft));
    out[i] = static_cast<char>(value);
    sum += static_cast<std::uint64_t>(std::abs(static_cast<int>(static_cast<std::int8_t>(value))));
  };
  for (std::size_t i = 0; i < std::min(bytes, kPixel); ++i) put(i, 0, 0);
  constexpr std::size_t kStretch = 256;  // bytes between looks at the sum
  for (std::size_t start = kPixel; start < bytes && sum <= enough; start += kStretch) {
    const std::size_t end = std::min(bytes, start + kStretch);
    for (std::size_t i = start; i < end; ++i) put(i, row[i - kPixel], above[i - kPixel]);
  }
  return sum;
}

// A row filtered as PNG filters go (none, sub, up, average, Paeth), the one whose bytes, read as
// signed, sum smallest in magnitude (the first of equals): the usual choice, which suits pictures
// and legends alike. `filtered` gets the filter's byte, then the row; `candidates` is room for the
// five; `above` is the row above, zeros for the first.
void FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t bytes,
               std::array<std::string, 5>& candidates, std::string& filtered) {
  for (std::string& candidate : candidates) candidate.resize(bytes);
  std::size_t best = 0;
  std::uint64_t least = Filter(row, above, bytes, candidates[0].data(), UINT64_MAX, [](int, int, int) { return 0; });
  auto consider = [&](std::size_t filter, std::uint64_t sum) {
    if (sum < least) best = filter, least = sum;
  };
  consider(1, Filter(row, above, bytes, candidates[1].data(), least, [](int left, int, int) { return left; }));
  consider(2, Filter(row, above, bytes, candidates[2].data(), least, [](int, int up, int) { return up; }));
  consider(3, Filter(row, above, bytes, candidates[3].data(), least, [](int left, int up, int) { return (left + up) / 2; }));
  consider(4, Filter(row, above, bytes, candidates[4].data(), least, &Paeth));
  filtered.push_back(static_cast<char>(best));
  filtered.append(candidates[best]);
}

// One band of rows filtered and deflated as a raw stream that ends on a byte (the last band's
// ends the whole stream), with the Adler-32 of its filtered bytes.
struct Band {
  std::string deflated;
  uLong adler = 1;
  uLong length = 0;
  bool failed = false;
};

void CompressBand(int width, int first, int last, bool lastBand, const std::vector<std::uint8_t>& rgba, Band& band) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  std::string filtered;
  filtered.reserve((rowBytes + 1) * static_cast<std::size_t>(last - first));
  std::array<std::string, 5> candidates;
  const std::vector<std::uint8_t> noRowAbove(first == 0 ? rowBytes : 0, 0);
  for (int row = first; row < last; ++row) {
    const std::uint8_t* at = rgba.data() + static_cast<std::size_t>(row) * rowBytes;
    FilterRow(at, row > 0 ? at - rowBytes : noRowAbove.data(), rowBytes, candidates, filtered);
  }
  band.length = static_cast<uLong>(filtered.size());
  band.adler = adler32(1, reinterpret_cast<const Bytef*>(filtered.data()), static_cast<uInt>(filtered.size()));
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    band.failed = true;
    return;
  }
  band.deflated.resize(deflateBound(&stream, static_cast<uLong>(filtered.size())) + 16);
  stream.next_in = reinterpret_cast<Bytef*>(filtered.data());
  stream.avail_in = static_cast<uInt>(filtered.size());
  stream.next_out = reinterpret_cast<Bytef*>(band.deflated.data());
  stream.avail_out = static_cast<uInt>(band.deflated.size());
  const int ended = deflate(&stream, lastBand ? Z_FINISH : Z_FULL_FLUSH);
  band.failed = ended != (lastBand ? Z_STREAM_END : Z_OK) || stream.avail_in != 0;
  band.deflated.resize(band.deflated.size() - stream.avail_out);
  deflateEnd(&stream);
}

}  // namespace

std::string ZOREncodePng(int width, int height, const std::vector<std::uint8_t>& rgba, int threads) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  if (width <= 0 || height <= 0 || rgba.size() != rowBytes * static_cast<std::size_t>(height) ||
      rowBytes + 1 > std::numeric_limits<uInt>::max() / kRowsABand) {
    return {};
  }
  const int bandCount = (height + kRowsABand - 1) / kRowsABand;
  std::vector<Band> bands(static_cast<std::size_t>(bandCount));
  ZORInParallel(bands.size(), 1, ZORThreadCount(threads), [&](int, std::size_t first, std::size_t last) {
    for (std::size_t b = first; b < last; ++b) {
      const int top = static_cast<int>(b) * kRowsABand;
      CompressBand(width, top, std::min(height, top + kRowsABand), b + 1 == bands.size(), rgba, bands[b]);
    }
  });
  // The bands joined into one zlib stream: its header, the raw streams, the Adler-32 of all.
  std::string zlib = {'\x78', '\x9c'};
  uLong adler = 1;
  for (const Band& band : bands) {
    if (band.failed) return {};
    zlib += band.deflated;
    adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
  }
  PutBigEndian(zlib, static_cast<std::uint32_t>(adler));

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string{'\x08', '\x06', '\x00', '\x00', '\x00'};  // 8 bits, RGBA, deflate, filters, not interlaced
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}
