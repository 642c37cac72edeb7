// The value lists: one boundary between each two blocks in three list attributes of the feature,
// and the value table that interpolates the boundaries that are not imposed.
#include <algorithm>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "colorscale/AttributeAccess.h"
#include "colorscale/AttributeKeys.h"
#include "colorscale/ColorScaleMath.h"
#include "colorscale/ZORStNewColorScale.h"

namespace keys = ZORColorScaleKeys;
using ZORColorScaleMath::kNotImposed;

namespace {

// The three value lists, each looked up once per operation; a missing key skips its list.
struct ValueListKeys {
  explicit ValueListKeys(ZORISpecAttrAccess* access)
      : values(ZORAttributes::FindKey(access, keys::kImposedValuesList)),
        index(ZORAttributes::FindKey(access, keys::kImposedValuesIndexList)),
        type(ZORAttributes::FindKey(access, keys::kValueInterpolTypeList)) {}

  ZORSpecAttrKey_var values;
  ZORSpecAttrKey_var index;
  ZORSpecAttrKey_var type;
};

struct Boundary {
  int position;
  double value;
};

// Imposes the given boundaries with interpolation type 0, creating no member: types first, then
// values, then index entries. True when the index entries were written.
bool ImposeBoundaries(ZORISpecAttrAccess& access, const ValueListKeys& lists,
                      std::initializer_list<Boundary> boundaries) {
  for (const Boundary& boundary : boundaries) {
    ZORAttributes::WriteParameter(access, lists.type.get(), boundary.position, 0, nullptr);
  }
  for (const Boundary& boundary : boundaries) {
    ZORAttributes::WriteParameter(access, lists.values.get(), boundary.position, boundary.value,
                                  nullptr);
  }
  if (!lists.index || !access.HasValue(lists.index.get())) return false;
  for (const Boundary& boundary : boundaries) {
    access.SetInteger(lists.index.get(), boundary.position, boundary.position);
  }
  return true;
}

}  // namespace

void ZORStNewColorScale::ResizeValueLists() {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  ValueListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const int s = ZORAttributes::ListLength(*access, lists.values.get());
  const bool holdsFactory = static_cast<bool>(analysisFactory);
  // Trim from the end down to n - 1 members. Positions below 1 would leave the lists as they
  // are, so a count below 1 stops the trimming at position 1.
  for (int p = s; p >= std::max(n, 1); --p) {
    ZORAttributes::RemoveParameter(*access, lists.type.get(), p, holdsFactory);
    ZORAttributes::RemoveParameter(*access, lists.values.get(), p, holdsFactory);
    if (lists.index) access->RemoveListMember(lists.index.get(), p);
  }
  // Every boundary is reset: not imposed, 0.0, type -1.
  for (int k = 1; k <= n - 1; ++k) {
    ZORAttributes::WriteParameter(*access, lists.type.get(), k, -1, analysisFactory.get());
    ZORAttributes::WriteParameter(*access, lists.values.get(), k, 0.0, analysisFactory.get());
    if (lists.index) access->SetInteger(lists.index.get(), kNotImposed, k);
  }
}

HRESULT ZORStNewColorScale::SetImposedValues(int count, const ZORRawCollint* positions,
                                             const ZORRawColldouble* values,
                                             const ZORRawCollint* interpolationTypes) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return E_FAIL;
  if (positions == nullptr || values == nullptr || interpolationTypes == nullptr) {
    return E_INVALIDARG;
  }
  // Never read past an input list: a short list refuses the whole call.
  if (positions->Size() < count || values->Size() < count || interpolationTypes->Size() < count) {
    return E_FAIL;
  }
  ValueListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const int boundaries = std::max(n - 1, 0);
  std::vector<double> value(static_cast<std::size_t>(boundaries), 0.0);
  std::vector<int> index(static_cast<std::size_t>(boundaries), kNotImposed);
  std::vector<int> type(static_cast<std::size_t>(boundaries), -1);
  for (int i = 1; i <= count; ++i) {
    const int k = (*positions)[i];
    if (k < 1 || k > n - 1) continue;
    const std::size_t at = static_cast<std::size_t>(k - 1);
    value[at] = (*values)[i];
    index[at] = k;
    type[at] = (*interpolationTypes)[i];
  }
  for (int k = 1; k <= n - 1; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    ZORAttributes::WriteParameter(*access, lists.type.get(), k, type[at], analysisFactory.get());
    ZORAttributes::WriteParameter(*access, lists.values.get(), k, value[at], analysisFactory.get());
    if (lists.index) access->SetInteger(lists.index.get(), index[at], k);
  }
  return S_OK;
}

HRESULT ZORStNewColorScale::GetImposedValues(int* count, ZORRawCollint* imposedValueIndices,
                                             ZORRawColldouble* values,
                                             ZORRawCollint* interpolationTypes) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return E_FAIL;
  if (imposedValueIndices == nullptr || values == nullptr || interpolationTypes == nullptr) {
    return E_INVALIDARG;
  }
  ValueListKeys lists(access);
  *count = ZORAttributes::ListLength(*access, lists.values.get());
  const bool indexHasValue = lists.index && access->HasValue(lists.index.get());
  // Entries that cannot be read are left out, as stored.
  for (int i = 1; i <= *count; ++i) {
    if (indexHasValue) imposedValueIndices->Append(access->GetInteger(lists.index.get(), i));
    int type = 0;
    if (ZORAttributes::ReadParameter(*access, lists.type.get(), i, type)) {
      interpolationTypes->Append(type);
    }
    double value = 0.0;
    if (ZORAttributes::ReadParameter(*access, lists.values.get(), i, value)) values->Append(value);
  }
  return S_OK;
}

void ZORStNewColorScale::SetImposedValue(int position, double value) {
  if (position < 1) return;
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  ValueListKeys lists(access);
  const int s = ZORAttributes::ListLength(*access, lists.values.get());
  if (s < 1 || s < position) return;
  ImposeBoundaries(*access, lists, {{position, value}});
}

int ZORStNewColorScale::SetFirstImposedValue(double value) {
  return SetEndImposedValue(ListEnd::First, value);
}

int ZORStNewColorScale::SetLastImposedValue(double value) {
  return SetEndImposedValue(ListEnd::Last, value);
}

int ZORStNewColorScale::SetEndImposedValue(ListEnd end, double value) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return 0;
  ValueListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const int s = ZORAttributes::ListLength(*access, lists.values.get());
  // Exactly n - 1 members, unlike SetExtremeImposedValues.
  if (s < 1 || s != n - 1) return 0;
  const int position = end == ListEnd::First ? 1 : n - 1;
  return ImposeBoundaries(*access, lists, {{position, value}}) ? 1 : 0;
}

void ZORStNewColorScale::SetExtremeImposedValues(double first, double last) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  ValueListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const int s = ZORAttributes::ListLength(*access, lists.values.get());
  // At least n - 1 members. With two blocks both positions are boundary 1, which ends at `last`.
  if (s < 1 || s < n - 1) return;
  ImposeBoundaries(*access, lists, {{1, first}, {n - 1, last}});
}

void ZORStNewColorScale::GetExtremeImposedValues(double* first, double* last) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr || first == nullptr || last == nullptr) return;
  ZORSpecAttrKey_var values = ZORAttributes::FindKey(access, keys::kImposedValuesList);
  int n = 0;
  GetNumberOfBlocks(n);
  const int s = ZORAttributes::ListLength(*access, values.get());
  if (s < 1 || s != n - 1) return;
  // The stored values as they are, imposed or not.
  double value = 0.0;
  if (ZORAttributes::ReadParameter(*access, values.get(), 1, value)) *first = value;
  if (ZORAttributes::ReadParameter(*access, values.get(), n - 1, value)) *last = value;
}

void ZORStNewColorScale::UnsetImposedValues(const int* positions, int count) {
  ZORISpecAttrAccess* access = attrAccess.get();
  ZORSpecAttrKey_var index = ZORAttributes::FindKey(access, keys::kImposedValuesIndexList);
  if (!index || !access->HasValue(index.get()) || positions == nullptr) return;
  if (count < 1 || count > access->ListSize(index.get())) return;
  int n = 0;
  GetNumberOfBlocks(n);
  // A position outside the boundaries is skipped: one past the end would append a member and
  // break the lists' common length.
  for (int i = 0; i < count; ++i) {
    const int p = positions[i];
    if (p < 1 || p > n - 1) continue;
    if (access->GetInteger(index.get(), p) != kNotImposed) {
      access->SetInteger(index.get(), kNotImposed, p);
    }
  }
}

void ZORStNewColorScale::GetValueTable(ZORRawColldouble* values,
                                       ZORRawCollint* imposedValueIndices, double* minimum,
                                       double* maximum) {
  if (values == nullptr || imposedValueIndices == nullptr) return;
  values->RemoveAll();
  imposedValueIndices->RemoveAll();
  if (minimum != nullptr) *minimum = ZORMathInfinite;
  if (maximum != nullptr) *maximum = -ZORMathInfinite;
  int n = 0;
  GetNumberOfBlocks(n);
  if (n <= 0) return;
  for (int k = 1; k <= n - 1; ++k) {
    values->Append(0.0);
    imposedValueIndices->Append(kNotImposed);
  }
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;

  // The stored table, position by position: a value that cannot be read counts as 0.0, an index
  // entry past the end of a shorter index list as not imposed.
  ZORSpecAttrKey_var valuesKey = ZORAttributes::FindKey(access, keys::kImposedValuesList);
  ZORSpecAttrKey_var indexKey = ZORAttributes::FindKey(access, keys::kImposedValuesIndexList);
  const int c = ZORAttributes::ListLength(*access, valuesKey.get());
  if (c != n - 1) return;
  const int indexLength = ZORAttributes::ListLength(*access, indexKey.get());
  const std::span<int> indices(imposedValueIndices->Data(), static_cast<std::size_t>(c));
  const std::span<double> table(values->Data(), static_cast<std::size_t>(c));
  for (int k = 1; k <= c; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    if (k <= indexLength) indices[at] = access->GetInteger(indexKey.get(), k);
    ZORAttributes::ReadParameter(*access, valuesKey.get(), k, table[at]);
  }
  ZORColorScaleMath::InterpolateBoundaries(indices, table);
  if (minimum != nullptr && maximum != nullptr) {
    for (double v : *values) {
      if (*minimum > v) *minimum = v;
      if (v > *maximum) *maximum = v;
    }
  }
}
