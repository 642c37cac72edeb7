#include "painter/ZORScalePainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kNotImposed = -1;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Doubles in their numeric order as unsigned keys (not-a-number excluded), so that a search can
// step from one double to the next.
std::uint64_t Key(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

double FromKey(std::uint64_t key) {
  const std::uint64_t bits = (key >> 63) != 0 ? key & ~(std::uint64_t{1} << 63) : ~key;
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The first double (from -inf to +inf) where a predicate that goes from false to true is true;
// not a number when it never is.
template <class Predicate>
double FirstTrue(Predicate predicate) {
  std::uint64_t low = Key(-kInfinity);
  std::uint64_t high = Key(kInfinity);
  if (!predicate(FromKey(high))) return std::numeric_limits<double>::quiet_NaN();
  if (predicate(FromKey(low))) return -kInfinity;
  // predicate(low) is false and predicate(high) true.
  while (high - low > 1) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (predicate(FromKey(middle))) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return FromKey(high);
}

#if !defined(__SSE2__)
// As the scale truncates a blended component: toward zero, saturated to the int range. Clamping
// first gives the same ints without a branch: a value between INT_MAX and INT_MAX + 1 truncates
// to INT_MAX either way, and likewise below INT_MIN.
int TruncateToInt(double x) {
  return static_cast<int>(std::min(std::max(x, -2147483648.0), 2147483647.0));
}
#endif

}  // namespace

ZORScalePainter::ZORScalePainter(ZORIStNewColorScale* scale, double tolerance)
    : tolerance_(tolerance) {
  int n = 0;
  scale->GetNumberOfBlocks(n);
  blockCount_ = n;
  ZORRgba undefined = undefinedColor_;
  if (SUCCEEDED(scale->GetColorUndefine(undefined.red, undefined.green, undefined.blue,
                                        undefined.alpha))) {
    undefinedColor_ = undefined;
  }
  if (n <= 0) return;  // every value: no color
  if (n == 1) {
    // No boundary to hand out: the scale's single color is asked for once.
    ZORRgba only;
    if (scale->GetColorForValue(0.0, &only.red, &only.green, &only.blue, &only.alpha) == 1) {
      colors_ = {only};
    } else {
      perValueScale_ = ZORIStNewColorScale_var::Retain(scale);
    }
    return;
  }

  const std::size_t blocks = static_cast<std::size_t>(n);
  std::vector<int> red(blocks), green(blocks), blue(blocks), alpha(blocks);
  colorIndices_.assign(blocks, kNotImposed);
  boundaries_.assign(blocks - 1, 0.0);
  std::vector<int> boundaryIndices(blocks - 1);
  int colorCount = n, valueCount = n - 1;
  int* redArray = red.data();
  int* greenArray = green.data();
  int* blueArray = blue.data();
  int* alphaArray = alpha.data();
  int* indexArray = colorIndices_.data();
  double* valueArray = boundaries_.data();
  int* valueIndexArray = boundaryIndices.data();
  if (scale->GetScaleDefinition(&colorCount, &redArray, &greenArray, &blueArray, &alphaArray,
                                &indexArray, &valueCount, &valueArray, &valueIndexArray, nullptr,
                                nullptr) != 1) {
    perValueScale_ = ZORIStNewColorScale_var::Retain(scale);
    return;
  }
  scale->GetExtremeImposedValues(&lower_, &upper_);
  colors_.resize(blocks);
  for (std::size_t k = 0; k < blocks; ++k) colors_[k] = {red[k], green[k], blue[k], alpha[k]};

  // The blend of block k + 1 (0-based k from 1 to n - 2) between boundaries k - 1 and k, toward
  // block k + 2: the boundaries narrowed to single precision, as the scale narrows them.
  blends_.resize(blocks);
  for (std::size_t k = 1; k + 1 < blocks; ++k) {
    BlendBlock& blend = blends_[k];
    const float a = static_cast<float>(boundaries_[k - 1]);
    const float b = static_cast<float>(boundaries_[k]);
    const float width = b - a;
    blend.usable = width != 0.0f && std::isfinite(width);
    blend.upper = static_cast<double>(b);
    blend.width = static_cast<double>(width);
    const int own[4] = {colors_[k].red, colors_[k].green, colors_[k].blue, colors_[k].alpha};
    const int next[4] = {colors_[k + 1].red, colors_[k + 1].green, colors_[k + 1].blue,
                         colors_[k + 1].alpha};
    for (int c = 0; c < 4; ++c) {
      blend.next[c] = static_cast<double>(next[c]);
      blend.difference[c] = static_cast<double>(static_cast<std::int64_t>(own[c]) - next[c]);
    }
  }
  BuildIntervals();
}

ZORScalePainter::~ZORScalePainter() = default;

// The scale's rules, literally and in their order.
ZORScalePainter::Outcome ZORScalePainter::Rules(double value) const {
  const int n = blockCount_;
  if (n <= 0) return {-1, false};
  if (n == 1) return {1, false};
  const double tolerance = tolerance_;
  if (value > upper_) return {n, false};
  if (std::fabs(value - upper_) <= tolerance) return {n - 1, false};
  if (value < lower_) return {1, false};
  if (std::fabs(value - lower_) <= tolerance) return {2, false};
  if (std::fabs(upper_ - lower_) <= tolerance) return {2, false};
  for (int i = 1; i <= n - 1; ++i) {
    const double v = boundaries_[static_cast<std::size_t>(i - 1)];
    if (std::fabs(value - v) <= tolerance) return {i + 1, false};
    if (i <= n - 2) {
      const double next = boundaries_[static_cast<std::size_t>(i)];
      if (v + tolerance < value && value < next - tolerance) {
        return {i + 1, colorIndices_[static_cast<std::size_t>(i)] == kNotImposed};
      }
    }
  }
  return {-1, false};
}

void ZORScalePainter::BuildIntervals() {
  const double tolerance = tolerance_;
  const bool increasing = std::is_sorted(boundaries_.begin(), boundaries_.end());
  const bool finite =
      std::all_of(boundaries_.begin(), boundaries_.end(), [](double v) { return std::isfinite(v); });
  if (!increasing || !finite || !std::isfinite(lower_) || !std::isfinite(upper_) ||
      !std::isfinite(tolerance) || !(tolerance >= 0.0)) {
    return;  // the rules are scanned value by value
  }

  // Every point where one of the rules' comparisons changes its answer. Each comparison is
  // monotone in the value, so between two such points every value has the same outcome.
  std::vector<double> points;
  auto add = [&points](double point) {
    if (!std::isnan(point) && point != -kInfinity) points.push_back(point);
  };
  auto band = [&](double centre) {  // fabs(value - centre) <= tolerance
    add(FirstTrue([=](double x) { return x - centre >= -tolerance; }));
    add(FirstTrue([=](double x) { return x - centre > tolerance; }));
  };
  add(FirstTrue([this](double x) { return x > upper_; }));
  band(upper_);
  add(FirstTrue([this](double x) { return !(x < lower_); }));
  band(lower_);
  const std::size_t count = boundaries_.size();
  for (std::size_t i = 0; i < count; ++i) {
    band(boundaries_[i]);
    if (i + 1 < count) {
      const double above = boundaries_[i] + tolerance;
      const double below = boundaries_[i + 1] - tolerance;
      add(FirstTrue([=](double x) { return above < x; }));
      add(FirstTrue([=](double x) { return !(x < below); }));
    }
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  thresholds_ = std::move(points);
  intervals_.reserve(thresholds_.size() + 1);
  intervals_.push_back(Rules(-kInfinity));
  for (double start : thresholds_) intervals_.push_back(Rules(start));
  for (const Outcome& outcome : intervals_) slots_.push_back(MakeSlot(outcome));
  slots_.push_back(MakeSlot(Rules(std::numeric_limits<double>::quiet_NaN())));
  slots_.push_back(PlainSlot(kUndefinedBlock, undefinedColor_));

  // Buckets over the finite thresholds, one empty bucket below and above them: a value's bucket
  // gives how many thresholds lie below it for sure, and, for a bucket that holds no threshold,
  // its interval at once. Only values in the few buckets that hold thresholds are scanned.
  std::vector<double> finitePoints;
  for (double point : thresholds_) {
    if (std::isfinite(point)) finitePoints.push_back(point);
  }
  const std::size_t bucketCount =
      std::clamp<std::size_t>(64 * thresholds_.size(), 1024, std::size_t{1} << 16);
  const double span = finitePoints.empty() ? 0.0 : finitePoints.back() - finitePoints.front();
  if (finitePoints.empty() || !(span > 0.0) || !std::isfinite(span)) {
    bucketStart_.assign(1, 0);
    bucketInterval_.assign(1, kScanBucket);
    return;
  }
  bucketScale_ = static_cast<double>(bucketCount - 3) / span;
  bucketBase_ = finitePoints.front() - 1.0 / bucketScale_;
  bucketStart_.assign(bucketCount, 0);
  bucketInterval_.assign(bucketCount, kScanBucket);
  // Start of bucket b: the thresholds whose own bucket lies before b, all below any value of b.
  std::size_t below = 0;
  for (std::size_t bucket = 0; bucket < bucketCount; ++bucket) {
    while (below < thresholds_.size() && BucketOf(thresholds_[below]) < bucket) ++below;
    bucketStart_[bucket] = static_cast<unsigned>(below);
    const bool holdsThreshold = below < thresholds_.size() && BucketOf(thresholds_[below]) == bucket;
    if (!holdsThreshold) bucketInterval_[bucket] = static_cast<unsigned>(below);
  }
}

std::size_t ZORScalePainter::BucketOf(double value) const {
  const double lastBucket = static_cast<double>(bucketStart_.size() - 1);
  double x = (value - bucketBase_) * bucketScale_;
  x = x > 0.0 ? x : 0.0;  // not a number too
  x = x < lastBucket ? x : lastBucket;
  return static_cast<std::size_t>(static_cast<long long>(x));
}

std::size_t ZORScalePainter::IntervalOf(double value) const {
  const std::size_t bucket = BucketOf(value);
  const unsigned interval = bucketInterval_[bucket];
  if (interval != kScanBucket) return interval;
  // The thresholds of later buckets lie above the value: the scan stops within the bucket.
  std::size_t j = bucketStart_[bucket];
  while (j < thresholds_.size() && thresholds_[j] <= value) ++j;
  return j;
}

// A slot painted with one color: the blend formula still runs, toward that color with a
// difference of 0, and gives it exactly; the width of 1 keeps the division harmless.
ZORScalePainter::Slot ZORScalePainter::PlainSlot(int block, const ZORRgba& color) {
  Slot slot;
  slot.block = block;
  slot.blendBlock.width = 1.0;
  const int components[4] = {color.red, color.green, color.blue, color.alpha};
  for (int c = 0; c < 4; ++c) slot.blendBlock.next[c] = static_cast<double>(components[c]);
  return slot;
}

ZORScalePainter::Slot ZORScalePainter::MakeSlot(const Outcome& outcome) const {
  if (outcome.block < 1) return PlainSlot(outcome.block, ZORRgba{});
  const std::size_t k = static_cast<std::size_t>(outcome.block - 1);
  if (!outcome.blend || !blends_[k].usable) return PlainSlot(outcome.block, colors_[k]);
  Slot slot;
  slot.block = outcome.block;
  slot.blendBlock = blends_[k];
  return slot;
}

// Where each value falls, as a slot index: most buckets know their interval at once.
void ZORScalePainter::LocateSlots(const double* values, unsigned* slots, std::size_t count,
                                  std::size_t notANumberSlot) const {
  const double lastBucket = static_cast<double>(bucketStart_.size() - 1);
  const unsigned* intervals = bucketInterval_.data();
  for (std::size_t i = 0; i < count; ++i) {
    const double value = values[i];
    double x = (value - bucketBase_) * bucketScale_;
    x = x > 0.0 ? x : 0.0;  // not a number too
    x = x < lastBucket ? x : lastBucket;
    const std::size_t bucket = static_cast<std::size_t>(static_cast<long long>(x));
    std::size_t found = intervals[bucket];
    if (found == kScanBucket) [[unlikely]] found = IntervalOf(value);
    // Not a number compares false everywhere and takes its own slot, chosen without a branch.
    const std::size_t notANumber = value != value ? ~std::size_t{0} : 0;
    slots[i] = static_cast<unsigned>(found ^ ((found ^ notANumberSlot) & notANumber));
  }
}

// Every value goes through the blend formula, so that no branch depends on the value: a weight
// that is not finite becomes 1, which gives the block's own color exactly (the scale's rule), and
// a slot painted with one color has a difference of 0. No conversion ever sees a value that is
// not finite. Each lane computes what the scale computes, two components at a time.
void ZORScalePainter::PaintSlot(const Slot& slot, double t, ZORRgba& color) {
#if defined(__SSE2__)
  PaintSlot(slot, _mm_set1_pd(t), color);
#else
  const BlendBlock& blend = slot.blendBlock;
  color = {TruncateToInt(blend.next[0] + blend.difference[0] * t),
           TruncateToInt(blend.next[1] + blend.difference[1] * t),
           TruncateToInt(blend.next[2] + blend.difference[2] * t),
           TruncateToInt(blend.next[3] + blend.difference[3] * t)};
#endif
}

#if defined(__SSE2__)
void ZORScalePainter::PaintSlot(const Slot& slot, __m128d weights, ZORRgba& color) {
  const BlendBlock& blend = slot.blendBlock;
  const __m128d lowest = _mm_set1_pd(-2147483648.0);
  const __m128d highest = _mm_set1_pd(2147483647.0);
  __m128d redGreen = _mm_add_pd(_mm_load_pd(&blend.next[0]),
                                _mm_mul_pd(_mm_load_pd(&blend.difference[0]), weights));
  __m128d blueAlpha = _mm_add_pd(_mm_load_pd(&blend.next[2]),
                                 _mm_mul_pd(_mm_load_pd(&blend.difference[2]), weights));
  redGreen = _mm_min_pd(_mm_max_pd(redGreen, lowest), highest);
  blueAlpha = _mm_min_pd(_mm_max_pd(blueAlpha, lowest), highest);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&color),
                   _mm_unpacklo_epi64(_mm_cvttpd_epi32(redGreen), _mm_cvttpd_epi32(blueAlpha)));
}
#endif

void ZORScalePainter::PaintSlots(const double* values, const unsigned* slots, int* blocks,
                                 ZORRgba* colors, std::size_t count) const {
  static_assert(sizeof(ZORRgba) == 4 * sizeof(int), "four ints, red first");
  std::size_t i = 0;
#if defined(__SSE2__)
  // Two values at a time share one division.
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  for (; i + 1 < count; i += 2) {
    const Slot& first = slots_[slots[i]];
    const Slot& second = slots_[slots[i + 1]];
    const __m128d upper = _mm_set_pd(second.blendBlock.upper, first.blendBlock.upper);
    const __m128d width = _mm_set_pd(second.blendBlock.width, first.blendBlock.width);
    const __m128d weight = _mm_div_pd(_mm_sub_pd(upper, _mm_loadu_pd(values + i)), width);
    const __m128d finite = _mm_cmpeq_pd(_mm_sub_pd(weight, weight), zero);
    const __m128d t = _mm_or_pd(_mm_and_pd(finite, weight), _mm_andnot_pd(finite, one));
    blocks[i] = first.block;
    blocks[i + 1] = second.block;
    if (first.block >= 0) PaintSlot(first, _mm_unpacklo_pd(t, t), colors[i]);
    if (second.block >= 0) PaintSlot(second, _mm_unpackhi_pd(t, t), colors[i + 1]);
  }
#endif
  for (; i < count; ++i) PaintValue(slots_[slots[i]], values[i], blocks[i], colors[i]);
}

void ZORScalePainter::PaintValue(const Slot& slot, double value, int& block, ZORRgba& color) {
  block = slot.block;
  if (slot.block < 0) return;
  const double weight = (slot.blendBlock.upper - value) / slot.blendBlock.width;
  PaintSlot(slot, std::isfinite(weight) ? weight : 1.0, color);
}

void ZORScalePainter::PaintIntervals(const double* values, int* blocks, ZORRgba* colors,
                                     std::size_t count, bool undefinedColorForNaN) const {
  const std::size_t notANumberSlot = slots_.size() - (undefinedColorForNaN ? 1 : 2);
  // Two passes over short batches, each a short loop with hardly a branch on the values, so that
  // many values are in flight at once.
  constexpr std::size_t kBatch = 256;
  unsigned slotOf[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    const std::size_t length = std::min(kBatch, count - first);
    LocateSlots(values + first, slotOf, length, notANumberSlot);
    PaintSlots(values + first, slotOf, blocks + first, colors + first, length);
  }
}

void ZORScalePainter::PaintRange(const double* values, int* blocks, ZORRgba* colors,
                                 std::size_t count, bool undefinedColorForNaN) const {
  if (!slots_.empty()) {
    PaintIntervals(values, blocks, colors, count, undefinedColorForNaN);
    return;
  }
  // Boundaries the intervals cannot serve: the rules, value by value, painted the same way.
  for (std::size_t i = 0; i < count; ++i) {
    const double value = values[i];
    const Slot slot = undefinedColorForNaN && std::isnan(value)
                          ? PlainSlot(kUndefinedBlock, undefinedColor_)
                          : MakeSlot(Rules(value));
    PaintValue(slot, value, blocks[i], colors[i]);
  }
}

void ZORScalePainter::Paint(std::span<const double> values, std::span<int> blocks,
                            std::span<ZORRgba> colors, const PaintOptions& options) const {
  const std::size_t count = std::min({values.size(), blocks.size(), colors.size()});
  if (perValueScale_) {
    // The scale itself, on this thread only.
    for (std::size_t i = 0; i < count; ++i) {
      if (options.undefinedColorForNaN && std::isnan(values[i])) {
        blocks[i] = kUndefinedBlock;
        colors[i] = undefinedColor_;
        continue;
      }
      ZORRgba& c = colors[i];
      blocks[i] = perValueScale_->GetColorForValue(values[i], &c.red, &c.green, &c.blue, &c.alpha);
    }
    return;
  }
  unsigned threads = options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
  if (count < kParallelThreshold || threads <= 1) {
    PaintRange(values.data(), blocks.data(), colors.data(), count, options.undefinedColorForNaN);
    return;
  }
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, count / 4096 + 1));
  const std::size_t share = (count + threads - 1) / threads;
  std::vector<std::jthread> workers;
  for (unsigned t = 1; t < threads; ++t) {
    const std::size_t first = t * share;
    if (first >= count) break;
    const std::size_t length = std::min(share, count - first);
    workers.emplace_back([=, this] {
      PaintRange(values.data() + first, blocks.data() + first, colors.data() + first, length,
                 options.undefinedColorForNaN);
    });
  }
  PaintRange(values.data(), blocks.data(), colors.data(), std::min(share, count),
             options.undefinedColorForNaN);
}

int ZORScalePainter::PaintOne(double value, ZORRgba& color) const {
  int block = -1;
  Paint(std::span<const double>(&value, 1), std::span<int>(&block, 1),
        std::span<ZORRgba>(&color, 1));
  return block;
}
