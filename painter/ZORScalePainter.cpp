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
// AVX2 is chosen at run time, where the processor has it; the build stays for any x86-64.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZOR_PAINTER_WIDE 1
#include <immintrin.h>
#endif

namespace {

namespace math = ZORColorScaleMath;

static_assert(sizeof(ZORRgba) == 4 * sizeof(int), "four ints, red first");

// math::BlendComponent for the four components of one value, two lanes at a time on SSE2: the
// same products, sums, clamps and truncations.
#if defined(__SSE2__)
void BlendFour(const double* next, const double* difference, __m128d t, ZORRgba& color) {
  const __m128d lowest = _mm_set1_pd(math::kLowestInt);
  const __m128d highest = _mm_set1_pd(math::kHighestInt);
  __m128d redGreen = _mm_add_pd(_mm_load_pd(&next[0]), _mm_mul_pd(_mm_load_pd(&difference[0]), t));
  __m128d blueAlpha = _mm_add_pd(_mm_load_pd(&next[2]), _mm_mul_pd(_mm_load_pd(&difference[2]), t));
  redGreen = _mm_min_pd(_mm_max_pd(redGreen, lowest), highest);
  blueAlpha = _mm_min_pd(_mm_max_pd(blueAlpha, lowest), highest);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&color),
                   _mm_unpacklo_epi64(_mm_cvttpd_epi32(redGreen), _mm_cvttpd_epi32(blueAlpha)));
}
#endif

#if ZOR_PAINTER_WIDE
// The same on AVX2: the four components in one register, the same operations lane by lane.
// Without `kClamp`, for a blend known to stay within the int range (where the clamp changes
// nothing).
template <bool kStream, bool kClamp = true, typename Blend>
__attribute__((target("avx2"), always_inline)) inline void BlendFourWide(const Blend& blend, __m256d t,
                                                                         ZORRgba& color) {
  __m256d components = _mm256_add_pd(_mm256_load_pd(blend.next), _mm256_mul_pd(_mm256_load_pd(blend.difference), t));
  if constexpr (kClamp) {
    components = _mm256_min_pd(_mm256_max_pd(components, _mm256_set1_pd(math::kLowestInt)),
                               _mm256_set1_pd(math::kHighestInt));
  }
  if constexpr (kStream) {
    _mm_stream_si128(reinterpret_cast<__m128i*>(&color), _mm256_cvttpd_epi32(components));
  } else {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&color), _mm256_cvttpd_epi32(components));
  }
}
#endif

void BlendFour(const double* next, const double* difference, double t, ZORRgba& color) {
#if defined(__SSE2__)
  BlendFour(next, difference, _mm_set1_pd(t), color);
#else
  color = {math::BlendComponent({next[0], difference[0]}, t),
           math::BlendComponent({next[1], difference[1]}, t),
           math::BlendComponent({next[2], difference[2]}, t),
           math::BlendComponent({next[3], difference[3]}, t)};
#endif
}

// One value through a slot's blend.
void PaintValue(const math::BlendSpan& span, const double* next, const double* difference,
                double value, ZORRgba& color) {
  double t = 1.0;
  math::BlendWeight(span, value, t);
  BlendFour(next, difference, t, color);
}

}  // namespace

ZORScaleDefinition ZORReadScaleDefinition(ZORIStNewColorScale* scale, double tolerance) {
  ZORScaleDefinition definition;
  definition.tolerance = tolerance;
  int n = 0;
  scale->GetNumberOfBlocks(n);
  definition.blockCount = n;
  ZORRgba undefined = definition.undefinedColor;
  if (SUCCEEDED(scale->GetColorUndefine(undefined.red, undefined.green, undefined.blue,
                                        undefined.alpha))) {
    definition.undefinedColor = undefined;
  }
  if (n <= 0) return definition;  // every value: no color
  if (n == 1) {
    // No boundary to hand out: the scale's single color is asked for once.
    ZORRgba only;
    if (scale->GetColorForValue(0.0, &only.red, &only.green, &only.blue, &only.alpha) == 1) {
      definition.colors = {only};
      ZORRawCollint red, green, blue, alpha, indices;
      scale->GetColorTable(&red, &green, &blue, &alpha, &indices);
      definition.colorIndices = {indices.Size() == 1 ? indices[1] : math::kNotImposed};
    } else {
      definition.perValueScale = ZORIStNewColorScale_var::Retain(scale);
    }
    return definition;
  }

  const std::size_t blocks = static_cast<std::size_t>(n);
  std::vector<int> red(blocks), green(blocks), blue(blocks), alpha(blocks);
  definition.colorIndices.assign(blocks, math::kNotImposed);
  definition.boundaries.assign(blocks - 1, 0.0);
  definition.boundaryIndices.assign(blocks - 1, math::kNotImposed);
  int colorCount = n, valueCount = n - 1;
  int* redArray = red.data();
  int* greenArray = green.data();
  int* blueArray = blue.data();
  int* alphaArray = alpha.data();
  int* indexArray = definition.colorIndices.data();
  double* valueArray = definition.boundaries.data();
  int* valueIndexArray = definition.boundaryIndices.data();
  if (scale->GetScaleDefinition(&colorCount, &redArray, &greenArray, &blueArray, &alphaArray,
                                &indexArray, &valueCount, &valueArray, &valueIndexArray, nullptr,
                                nullptr) != 1) {
    definition.perValueScale = ZORIStNewColorScale_var::Retain(scale);
    return definition;
  }
  scale->GetExtremeImposedValues(&definition.lower, &definition.upper);
  definition.colors.resize(blocks);
  for (std::size_t k = 0; k < blocks; ++k) definition.colors[k] = {red[k], green[k], blue[k], alpha[k]};
  return definition;
}

ZORScalePainter::ZORScalePainter(ZORIStNewColorScale* scale, double tolerance)
    : ZORScalePainter(ZORReadScaleDefinition(scale, tolerance)) {}

ZORScalePainter::ZORScalePainter(const ZORScaleDefinition& definition)
    : blockCount_(definition.blockCount),
      boundaries_(definition.boundaries),
      colorIndices_(definition.colorIndices),
      colors_(definition.colors),
      lower_(definition.lower),
      upper_(definition.upper),
      tolerance_(definition.tolerance),
      undefinedColor_(definition.undefinedColor),
      perValueScale_(definition.perValueScale) {
  if (blockCount_ < 2 || perValueScale_) return;
  bisect_ = math::SortedAndFinite(Table());
  BuildIntervals();
}

ZORScalePainter::~ZORScalePainter() = default;

math::PlacementTable ZORScalePainter::Table() const {
  math::PlacementTable table;
  table.blockCount = blockCount_;
  table.boundaries = boundaries_;
  table.imposedColorIndices = colorIndices_;
  table.lower = lower_;
  table.upper = upper_;
  table.tolerance = tolerance_;
  table.bisect = bisect_;
  return table;
}

void ZORScalePainter::BuildIntervals() {
  if (!bisect_) return;  // the rules are scanned value by value
  const math::PlacementTable table = Table();
  thresholds_ = math::ChangePoints(table);
  // Interval 0 lies below every threshold; interval j + 1 starts at threshold j.
  slots_.push_back(MakeSlot(math::PlaceValue(-std::numeric_limits<double>::infinity(), table)));
  for (double start : thresholds_) slots_.push_back(MakeSlot(math::PlaceValue(start, table)));
  slots_.push_back(MakeSlot(math::PlaceValue(std::numeric_limits<double>::quiet_NaN(), table)));
  slots_.push_back(PlainSlot(kUndefinedBlock, undefinedColor_));
  MarkUnclampedSlots();

  // Buckets over the finite thresholds, one empty bucket below and above them. BucketOf never
  // decreases with the value, so the thresholds of earlier buckets lie below any value of a
  // bucket and those of later ones above it.
  std::vector<double> finitePoints;
  for (double point : thresholds_) {
    if (std::isfinite(point)) finitePoints.push_back(point);
  }
  const std::size_t bucketCount =
      std::clamp<std::size_t>(64 * thresholds_.size(), 1024, std::size_t{1} << 16);
  const double span = finitePoints.empty() ? 0.0 : finitePoints.back() - finitePoints.front();
  const bool spread = !finitePoints.empty() && span > 0.0 && std::isfinite(span);
  bucketScale_ = spread ? static_cast<double>(bucketCount - 3) / span : 0.0;
  bucketBase_ = spread ? finitePoints.front() - 1.0 / bucketScale_ : 0.0;
  const std::size_t buckets = spread ? bucketCount : 1;
  bucketInterval_.assign(buckets, kHoldsThresholds);
  bucketStart_.assign(buckets, 0);
  std::size_t below = 0;
  for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
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
  if (bucketInterval_[bucket] != kHoldsThresholds) return bucketInterval_[bucket];
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
  const int components[4] = {color.red, color.green, color.blue, color.alpha};
  for (int c = 0; c < 4; ++c) slot.blend.next[c] = static_cast<double>(components[c]);
  return slot;
}

void ZORScalePainter::MarkUnclampedSlots() {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < slots_.size(); ++j) {
    // Interval j holds the values from threshold j - 1 up to, not including, threshold j; the
    // slots after the intervals' (not a number, undefined) take any value.
    const bool interval = j <= thresholds_.size();
    const double first = interval && j > 0 ? thresholds_[j - 1] : -kInfinity;
    const double last = interval && j < thresholds_.size() ? std::nextafter(thresholds_[j], -kInfinity) : kInfinity;
    slots_[j].unclamped = StaysInRange(slots_[j], first, last) ? 0 : -1;
  }
}

// The wide loop's color for a value is next + difference * t, t the weight (upper - value) /
// width where it is finite, else 1. A slot without difference gives `next` for any t; otherwise
// both steps never decrease (or never increase) with the value, so the colors of values from
// `first` to `last` lie between those of the two ends, when the weights there are finite.
bool ZORScalePainter::StaysInRange(const Slot& slot, double first, double last) {
  if (slot.block < 0) return false;
  const auto inRange = [](double component) { return component >= math::kLowestInt && component <= math::kHighestInt; };
  const auto weight = [&slot](double value) { return (slot.span.upper - value) / slot.span.width; };
  const bool plain = std::all_of(std::begin(slot.blend.difference), std::end(slot.blend.difference),
                                 [](double difference) { return difference == 0.0; });
  const double ends[2] = {weight(first), weight(last)};
  if (!plain && !(slot.span.width > 0.0 && std::isfinite(ends[0]) && std::isfinite(ends[1]))) return false;
  for (int c = 0; c < 4; ++c) {
    for (double t : ends) {
      const double component = plain ? slot.blend.next[c] : slot.blend.next[c] + slot.blend.difference[c] * t;
      if (!inRange(component)) return false;
    }
  }
  return true;
}

ZORScalePainter::Slot ZORScalePainter::MakeSlot(const math::Placement& placement) const {
  const int block = placement.color;
  if (block < 1) return PlainSlot(block, ZORRgba{});
  const std::size_t k = static_cast<std::size_t>(block - 1);
  Slot slot;
  slot.block = block;
  // A blended block lies between boundaries k - 1 and k (0-based), blending toward block k + 1.
  if (!placement.blended || !math::NarrowBlock(boundaries_[k - 1], boundaries_[k], slot.span)) {
    return PlainSlot(block, colors_[k]);
  }
  const ZORRgba& own = colors_[k];
  const ZORRgba& next = colors_[k + 1];
  const math::ComponentBlend components[4] = {
      math::PrepareComponentBlend(own.red, next.red),
      math::PrepareComponentBlend(own.green, next.green),
      math::PrepareComponentBlend(own.blue, next.blue),
      math::PrepareComponentBlend(own.alpha, next.alpha)};
  for (int c = 0; c < 4; ++c) {
    slot.blend.next[c] = components[c].next;
    slot.blend.difference[c] = components[c].difference;
  }
  return slot;
}

// Where each value falls, as a slot index.
void ZORScalePainter::LocateSlots(const double* values, unsigned* slots, std::size_t count,
                                  std::size_t notANumberSlot) const {
  const double lastBucket = static_cast<double>(bucketStart_.size() - 1);
  const unsigned* intervals = bucketInterval_.data();
  for (std::size_t i = 0; i < count; ++i) {
    const double value = values[i];
    double x = (value - bucketBase_) * bucketScale_;
    x = x > 0.0 ? x : 0.0;  // not a number too
    x = x < lastBucket ? x : lastBucket;
    std::size_t found = intervals[static_cast<std::size_t>(static_cast<long long>(x))];
    if (found == kHoldsThresholds) [[unlikely]] found = IntervalOf(value);
    // Not a number compares false everywhere and takes its own slot, chosen without a branch.
    const std::size_t notANumber = value != value ? ~std::size_t{0} : 0;
    slots[i] = static_cast<unsigned>(found ^ ((found ^ notANumberSlot) & notANumber));
  }
}

// Every value goes through the blend formula, so that no branch depends on the value: a weight
// that is not finite becomes 1, which gives the block's own color exactly (the scale's rule), and
// a slot painted with one color has a difference of 0. No conversion ever sees a value that is
// not finite.
void ZORScalePainter::PaintSlots(const double* values, const unsigned* slots, int* blocks,
                                 ZORRgba* colors, std::size_t count) const {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Two values at a time share one division: math::BlendWeight in two lanes.
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  for (; i + 1 < count; i += 2) {
    const Slot& first = slots_[slots[i]];
    const Slot& second = slots_[slots[i + 1]];
    const __m128d upper = _mm_set_pd(second.span.upper, first.span.upper);
    const __m128d width = _mm_set_pd(second.span.width, first.span.width);
    const __m128d weight = _mm_div_pd(_mm_sub_pd(upper, _mm_loadu_pd(values + i)), width);
    const __m128d finite = _mm_cmpeq_pd(_mm_sub_pd(weight, weight), zero);
    const __m128d t = _mm_or_pd(_mm_and_pd(finite, weight), _mm_andnot_pd(finite, one));
    blocks[i] = first.block;
    blocks[i + 1] = second.block;
    if (first.block >= 0) BlendFour(first.blend.next, first.blend.difference, _mm_unpacklo_pd(t, t), colors[i]);
    if (second.block >= 0) {
      BlendFour(second.blend.next, second.blend.difference, _mm_unpackhi_pd(t, t), colors[i + 1]);
    }
  }
#endif
  PaintSlotsOneByOne(values, slots, blocks, colors, i, count);
}

void ZORScalePainter::PaintSlotsOneByOne(const double* values, const unsigned* slots, int* blocks,
                                         ZORRgba* colors, std::size_t first, std::size_t count) const {
  for (std::size_t i = first; i < count; ++i) {
    const Slot& slot = slots_[slots[i]];
    blocks[i] = slot.block;
    if (slot.block >= 0) PaintValue(slot.span, slot.blend.next, slot.blend.difference, values[i], colors[i]);
  }
}

#if ZOR_PAINTER_WIDE
// LocateSlots in four lanes: only a bucket that holds thresholds branches.
// Returns how many values it placed, a multiple of four.
__attribute__((target("avx2"))) std::size_t ZORScalePainter::LocateSlotsWide(
    const double* values, unsigned* slots, std::size_t count, unsigned notANumberSlot) const {
  const __m256d zero = _mm256_setzero_pd();
  const __m256d base = _mm256_set1_pd(bucketBase_);
  const __m256d scale = _mm256_set1_pd(bucketScale_);
  const __m256d lastBucket = _mm256_set1_pd(static_cast<double>(bucketStart_.size() - 1));
  const __m128i holdsThresholds = _mm_set1_epi32(static_cast<int>(kHoldsThresholds));
  const __m128i notANumber = _mm_set1_epi32(static_cast<int>(notANumberSlot));
  // The low halves of four 64-bit lanes, to narrow a comparison's mask.
  const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const int* intervals = reinterpret_cast<const int*>(bucketInterval_.data());
  std::size_t i = 0;
  for (; i + 3 < count; i += 4) {
    const __m256d value = _mm256_loadu_pd(values + i);
    // BucketOf in four lanes: max gives its second operand, 0, for not a number.
    __m256d x = _mm256_mul_pd(_mm256_sub_pd(value, base), scale);
    x = _mm256_min_pd(_mm256_max_pd(x, zero), lastBucket);
    const __m128i bucket = _mm256_cvttpd_epi32(x);
    const std::uint64_t low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(bucket));
    const std::uint64_t high = static_cast<std::uint64_t>(_mm_extract_epi64(bucket, 1));
    const __m128i slot = _mm_setr_epi32(intervals[low & 0xffffffffu], intervals[low >> 32],
                                        intervals[high & 0xffffffffu], intervals[high >> 32]);
    const __m256i unordered = _mm256_castpd_si256(_mm256_cmp_pd(value, value, _CMP_UNORD_Q));
    const __m128i isNotANumber =
        _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(unordered, lowHalves));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(slots + i), _mm_blendv_epi8(slot, notANumber, isNotANumber));
    const int holds = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(slot, holdsThresholds)));
    if (holds != 0) [[unlikely]] {
      for (std::size_t k = 0; k < 4; ++k) {
        const double laneValue = values[i + k];
        if (((holds >> k) & 1) && laneValue == laneValue) {
          slots[i + k] = static_cast<unsigned>(IntervalOf(laneValue));
        }
      }
    }
  }
  _mm256_zeroupper();
  return i;
}

// Colors written past the caches (streaming stores) where `kStream`: for arrays too large to
// be read back from them, the write does not read each line first.
template <bool kStream>
__attribute__((target("avx2"))) void ZORScalePainter::PaintSlotsWide(const double* values, const unsigned* slots,
                                                                     int* blocks, ZORRgba* colors,
                                                                     std::size_t count) const {
  std::size_t i = 0;
  // Four values at a time share one division; a weight that is not finite becomes 1, as above.
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = _mm256_set1_pd(1.0);
  const Slot* table = slots_.data();
  for (; i + 3 < count; i += 4) {
    const Slot& s0 = table[slots[i]];
    const Slot& s1 = table[slots[i + 1]];
    const Slot& s2 = table[slots[i + 2]];
    const Slot& s3 = table[slots[i + 3]];
    const __m256d upper = _mm256_setr_pd(s0.span.upper, s1.span.upper, s2.span.upper, s3.span.upper);
    const __m256d width = _mm256_setr_pd(s0.span.width, s1.span.width, s2.span.width, s3.span.width);
    const __m256d weight = _mm256_div_pd(_mm256_sub_pd(upper, _mm256_loadu_pd(values + i)), width);
    const __m256d finite = _mm256_cmp_pd(_mm256_sub_pd(weight, weight), zero, _CMP_EQ_OQ);
    const __m256d t = _mm256_blendv_pd(one, weight, finite);
    const __m128i block = _mm_setr_epi32(s0.block, s1.block, s2.block, s3.block);
    if constexpr (kStream) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(blocks + i), block);
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks + i), block);
    }
    // A block of -1 leaves its color as it was; a blend that may leave the int range is clamped.
    if ((s0.unclamped | s1.unclamped | s2.unclamped | s3.unclamped) == 0) [[likely]] {
      BlendFourWide<kStream, false>(s0.blend, _mm256_permute4x64_pd(t, 0x00), colors[i]);
      BlendFourWide<kStream, false>(s1.blend, _mm256_permute4x64_pd(t, 0x55), colors[i + 1]);
      BlendFourWide<kStream, false>(s2.blend, _mm256_permute4x64_pd(t, 0xAA), colors[i + 2]);
      BlendFourWide<kStream, false>(s3.blend, _mm256_permute4x64_pd(t, 0xFF), colors[i + 3]);
      continue;
    }
    alignas(32) double weights[4];
    _mm256_store_pd(weights, t);
    for (std::size_t k = 0; k < 4; ++k) {
      const Slot& slot = table[slots[i + k]];
      if (slot.block >= 0) BlendFourWide<kStream>(slot.blend, _mm256_set1_pd(weights[k]), colors[i + k]);
    }
  }
  // The SSE2 code after this must not pay for the upper halves left in use.
  _mm256_zeroupper();
  if constexpr (kStream) _mm_sfence();  // the streamed colors are seen before what follows
  PaintSlotsOneByOne(values, slots, blocks, colors, i, count);
}

bool ZORScalePainter::HasWideVectors() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#else
std::size_t ZORScalePainter::LocateSlotsWide(const double*, unsigned*, std::size_t, unsigned) const {
  return 0;
}

template <bool kStream>
void ZORScalePainter::PaintSlotsWide(const double* values, const unsigned* slots, int* blocks, ZORRgba* colors,
                                     std::size_t count) const {
  PaintSlots(values, slots, blocks, colors, count);
}

bool ZORScalePainter::HasWideVectors() { return false; }
#endif

void ZORScalePainter::PaintIntervals(const double* values, int* blocks, ZORRgba* colors,
                                     std::size_t count, const PaintOptions& options) const {
  const std::size_t notANumberSlot = slots_.size() - (options.undefinedColorForNaN ? 1 : 2);
  const bool wide = options.widestVectors && HasWideVectors();
  const bool stream = count >= kStreamingThreshold && reinterpret_cast<std::uintptr_t>(colors) % 16 == 0 &&
                      reinterpret_cast<std::uintptr_t>(blocks) % 16 == 0;
  const auto paint = !wide    ? &ZORScalePainter::PaintSlots
                     : stream ? &ZORScalePainter::PaintSlotsWide<true>
                              : &ZORScalePainter::PaintSlotsWide<false>;
  // Two passes over short batches, each a short loop with hardly a branch on the values, so that
  // many values are in flight at once.
  constexpr std::size_t kBatch = 1024;
  alignas(16) unsigned slotOf[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    const std::size_t length = std::min(kBatch, count - first);
    // The wide loop leaves the last few values, which are placed one by one.
    const std::size_t placed =
        wide ? LocateSlotsWide(values + first, slotOf, length, static_cast<unsigned>(notANumberSlot)) : 0;
    LocateSlots(values + first + placed, slotOf + placed, length - placed, notANumberSlot);
    (this->*paint)(values + first, slotOf, blocks + first, colors + first, length);
  }
}

void ZORScalePainter::PaintRange(const double* values, int* blocks, ZORRgba* colors,
                                 std::size_t count, const PaintOptions& options) const {
  if (SearchesIntervals()) {
    PaintIntervals(values, blocks, colors, count, options);
    return;
  }
  const bool undefinedColorForNaN = options.undefinedColorForNaN;
  // Boundaries the intervals cannot serve: the rules, value by value, painted the same way.
  const math::PlacementTable table = Table();
  for (std::size_t i = 0; i < count; ++i) {
    const double value = values[i];
    const Slot slot = undefinedColorForNaN && std::isnan(value)
                          ? PlainSlot(kUndefinedBlock, undefinedColor_)
                          : MakeSlot(math::PlaceValue(value, table));
    blocks[i] = slot.block;
    if (slot.block >= 0) PaintValue(slot.span, slot.blend.next, slot.blend.difference, value, colors[i]);
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
  // Asking for the cores reads a system file: not for a few values.
  unsigned threads = count < kParallelThreshold ? 1
                     : options.threads != 0     ? options.threads
                                                : std::thread::hardware_concurrency();
  if (threads <= 1) {
    PaintRange(values.data(), blocks.data(), colors.data(), count, options);
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
      PaintRange(values.data() + first, blocks.data() + first, colors.data() + first, length, options);
    });
  }
  PaintRange(values.data(), blocks.data(), colors.data(), std::min(share, count), options);
}

std::vector<ZORBlockRange> ZORScalePainter::Intervals() const {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  std::vector<ZORBlockRange> intervals;
  if (blockCount_ == 1) intervals.push_back({1, -kInfinity, kInfinity});
  if (!SearchesIntervals()) return intervals;
  // Interval 0 runs up to the first threshold, interval j + 1 from threshold j.
  for (std::size_t interval = 0; interval <= thresholds_.size(); ++interval) {
    const int block = slots_[interval].block;
    const double first = interval == 0 ? -kInfinity : thresholds_[interval - 1];
    const double last = interval == thresholds_.size()
                            ? kInfinity
                            : std::nextafter(thresholds_[interval], -kInfinity);
    if (block >= 1 && last >= first) intervals.push_back({block, first, last});
  }
  return intervals;
}

std::vector<ZORBlockRange> ZORScalePainter::BlockRanges() const {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  std::vector<ZORBlockRange> ranges;
  for (const ZORBlockRange& interval : Intervals()) {
    if (!ranges.empty() && ranges.back().block == interval.block &&
        std::nextafter(ranges.back().last, kInfinity) == interval.first) {
      ranges.back().last = interval.last;
    } else {
      ranges.push_back(interval);
    }
  }
  return ranges;
}

int ZORScalePainter::PaintOne(double value, ZORRgba& color) const {
  int block = -1;
  Paint(std::span<const double>(&value, 1), std::span<int>(&block, 1),
        std::span<ZORRgba>(&color, 1));
  return block;
}
