#include "zorhost/figure/ImageFiles.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

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

// The PNG filters' predictions of a byte from the byte to its left, the one above and the one
// above left (none, sub, up, average, Paeth), branch-free so that a row's loop runs on vectors.
struct PredictNone {
  int operator()(int, int, int) const { return 0; }
};
struct PredictLeft {
  int operator()(int left, int, int) const { return left; }
};
struct PredictUp {
  int operator()(int, int up, int) const { return up; }
};
struct PredictAverage {
  int operator()(int left, int up, int) const { return (left + up) >> 1; }
};
struct PredictPaeth {
  int operator()(int left, int up, int upLeft) const {
    const int toLeft = std::abs(up - upLeft), toUp = std::abs(left - upLeft), toUpLeft = std::abs(left + up - 2 * upLeft);
    const int upOrUpLeft = toUp <= toUpLeft ? up : upLeft;
    return toLeft <= toUp && toLeft <= toUpLeft ? left : upOrUpLeft;
  }
};

constexpr std::size_t kPixel = 4;
constexpr std::size_t kVector = 32;  // bytes filtered together

template <class Predict>
std::uint8_t Filtered(const std::uint8_t* row, const std::uint8_t* above, std::size_t i) {
  const bool first = i < kPixel;
  const int left = first ? 0 : row[i - kPixel], upLeft = first ? 0 : above[i - kPixel];
  return static_cast<std::uint8_t>(row[i] - Predict{}(left, above[i], upLeft));
}

// A vector of a row's bytes from `i` on (past its first pixel) and of the bytes each is predicted
// from, copied out so that the compiler knows they do not overlap and filters them on vectors.
struct Neighbours {
  Neighbours(const std::uint8_t* row, const std::uint8_t* above, std::size_t i) {
    std::memcpy(now, row + i, kVector);
    std::memcpy(left, row + i - kPixel, kVector);
    std::memcpy(up, above + i, kVector);
    std::memcpy(upLeft, above + i - kPixel, kVector);
  }
  template <class Predict>
  std::uint8_t Filtered(std::size_t k) const {
    return static_cast<std::uint8_t>(now[k] - Predict{}(left[k], up[k], upLeft[k]));
  }
  std::uint8_t now[kVector], left[kVector], up[kVector], upLeft[kVector];
};

// The magnitude of the row's bytes as `Predict` filters them, read as signed; given up once it
// reaches `enough` (a filter that ties the best so far is not chosen).
template <class Predict>
std::uint64_t Magnitude(const std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::uint64_t enough) {
  auto magnitude = [](std::uint8_t value) { return static_cast<unsigned>(std::abs(static_cast<std::int8_t>(value))); };
  std::uint64_t sum = 0;
  std::size_t i = 0;
  for (; i < std::min(bytes, kPixel); ++i) sum += magnitude(Filtered<Predict>(row, above, i));
  constexpr std::size_t kStretch = 16;  // vectors between looks at the sum
  while (i + kVector <= bytes && sum < enough) {
    unsigned stretch = 0;
    for (std::size_t v = 0; v < kStretch && i + kVector <= bytes; ++v, i += kVector) {
      const Neighbours bytesAt(row, above, i);
      std::uint16_t part = 0;
      for (std::size_t k = 0; k < kVector; ++k) {
        part = static_cast<std::uint16_t>(part + magnitude(bytesAt.Filtered<Predict>(k)));
      }
      stretch += part;
    }
    sum += stretch;
  }
  for (; i < bytes && sum < enough; ++i) sum += magnitude(Filtered<Predict>(row, above, i));
  return sum;
}

// The row as `Predict` filters it, into `out`.
template <class Predict>
void Apply(const std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::uint8_t* out) {
  std::size_t i = 0;
  for (; i < std::min(bytes, kPixel); ++i) out[i] = Filtered<Predict>(row, above, i);
  for (; i + kVector <= bytes; i += kVector) {
    const Neighbours bytesAt(row, above, i);
    std::uint8_t filtered[kVector];
    for (std::size_t k = 0; k < kVector; ++k) filtered[k] = bytesAt.Filtered<Predict>(k);
    std::memcpy(out + i, filtered, kVector);
  }
  for (; i < bytes; ++i) out[i] = Filtered<Predict>(row, above, i);
}

// A row filtered as PNG filters go, with the filter whose bytes, read as signed, sum smallest in
// magnitude (the first of equals): the usual choice, which suits pictures and legends alike.
// `filtered` gets the filter's byte, then the row; `above` is the row above, zeros for the first.
void FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::string& filtered) {
  std::uint64_t least = Magnitude<PredictNone>(row, above, bytes, UINT64_MAX);
  int best = 0;
  auto consider = [&](int filter, std::uint64_t sum) {
    if (sum < least) best = filter, least = sum;
  };
  consider(1, Magnitude<PredictLeft>(row, above, bytes, least));
  consider(2, Magnitude<PredictUp>(row, above, bytes, least));
  consider(3, Magnitude<PredictAverage>(row, above, bytes, least));
  consider(4, Magnitude<PredictPaeth>(row, above, bytes, least));
  filtered.push_back(static_cast<char>(best));
  const std::size_t at = filtered.size();
  filtered.resize(at + bytes);
  auto* out = reinterpret_cast<std::uint8_t*>(filtered.data() + at);
  switch (best) {
    case 0: Apply<PredictNone>(row, above, bytes, out); break;
    case 1: Apply<PredictLeft>(row, above, bytes, out); break;
    case 2: Apply<PredictUp>(row, above, bytes, out); break;
    case 3: Apply<PredictAverage>(row, above, bytes, out); break;
    default: Apply<PredictPaeth>(row, above, bytes, out); break;
  }
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
  const std::vector<std::uint8_t> noRowAbove(first == 0 ? rowBytes : 0, 0);
  for (int row = first; row < last; ++row) {
    const std::uint8_t* at = rgba.data() + static_cast<std::size_t>(row) * rowBytes;
    FilterRow(at, row > 0 ? at - rowBytes : noRowAbove.data(), rowBytes, filtered);
  }
  band.length = static_cast<uLong>(filtered.size());
  band.adler = adler32(1, reinterpret_cast<const Bytef*>(filtered.data()), static_cast<uInt>(filtered.size()));
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    band.failed = true;
    return;
  }
  // Room for the worst case, left as the allocator gives it: only what deflate writes is touched
  // (a string's room would be cleared, and kept, for every band at once).
  const std::size_t room = deflateBound(&stream, static_cast<uLong>(filtered.size())) + 16;
  const std::unique_ptr<Bytef[]> out(new Bytef[room]);
  stream.next_in = reinterpret_cast<Bytef*>(filtered.data());
  stream.avail_in = static_cast<uInt>(filtered.size());
  stream.next_out = out.get();
  stream.avail_out = static_cast<uInt>(room);
  const int ended = deflate(&stream, lastBand ? Z_FINISH : Z_FULL_FLUSH);
  band.failed = ended != (lastBand ? Z_STREAM_END : Z_OK) || stream.avail_in != 0;
  band.deflated.assign(reinterpret_cast<const char*>(out.get()), room - stream.avail_out);
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
