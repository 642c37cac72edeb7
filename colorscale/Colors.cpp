// The color lists: one color per block in six list attributes of the feature, and the color table
// that interpolates the colors that are not imposed.
#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "colorscale/AttributeAccess.h"
#include "colorscale/AttributeKeys.h"
#include "colorscale/ColorScaleMath.h"
#include "colorscale/ZORStNewColorScale.h"

namespace keys = ZORColorScaleKeys;
using ZORColorScaleMath::kNotImposed;

namespace {

// The six color lists, each looked up once per operation; a missing key skips its list.
struct ColorListKeys {
  enum class Types { Wanted, NotWanted };

  explicit ColorListKeys(ZORISpecAttrAccess* access, Types types = Types::Wanted)
      : red(ZORAttributes::FindKey(access, keys::kRedColorList)),
        green(ZORAttributes::FindKey(access, keys::kGreenColorList)),
        blue(ZORAttributes::FindKey(access, keys::kBlueColorList)),
        alpha(ZORAttributes::FindKey(access, keys::kAlphaColorList)),
        index(ZORAttributes::FindKey(access, keys::kImposedColorsIndexList)),
        type(types == Types::Wanted ? ZORAttributes::FindKey(access, keys::kColorInterpolTypeList)
                                    : ZORSpecAttrKey_var()) {}

  std::array<ZORSpecAttrKey*, 4> Components() const {
    return {red.get(), green.get(), blue.get(), alpha.get()};
  }

  ZORSpecAttrKey_var red;
  ZORSpecAttrKey_var green;
  ZORSpecAttrKey_var blue;
  ZORSpecAttrKey_var alpha;
  ZORSpecAttrKey_var index;
  ZORSpecAttrKey_var type;
};

void SetIfKey(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int value, int position) {
  if (key != nullptr) access.SetInteger(key, value, position);
}

}  // namespace

void ZORStNewColorScale::ResizeColorLists() {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  ColorListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const int s = ZORAttributes::ListLength(*access, lists.index.get());
  // Trim from the end. Positions below 1 would leave the lists as they are, so a count below 1
  // stops the trimming at position 1.
  for (int p = s; p >= std::max(n + 1, 1); --p) {
    if (lists.index) access->RemoveListMember(lists.index.get(), p);
    ZORAttributes::RemoveParameter(*access, lists.type.get(), p, static_cast<bool>(analysisFactory));
    for (ZORSpecAttrKey* component : lists.Components()) {
      if (component != nullptr) access->RemoveListMember(component, p);
    }
  }
  // Every color is reset to (0, 0, 0, 0), and index 0 counts as imposed.
  for (int k = 1; k <= n; ++k) {
    SetIfKey(*access, lists.index.get(), 0, k);
    ZORAttributes::WriteParameter(*access, lists.type.get(), k, -1, analysisFactory.get());
    for (ZORSpecAttrKey* component : lists.Components()) SetIfKey(*access, component, 0, k);
  }
}

HRESULT ZORStNewColorScale::SetColors(int count, const ZORRawCollint* imposedColorIndices,
                                      const ZORRawCollint* red, const ZORRawCollint* green,
                                      const ZORRawCollint* blue, const ZORRawCollint* alpha,
                                      const ZORRawCollint* interpolationTypes) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return E_FAIL;
  const std::array<const ZORRawCollint*, 6> inputs = {imposedColorIndices, red,   green,
                                                      blue,                alpha, interpolationTypes};
  for (const ZORRawCollint* input : inputs) {
    if (input == nullptr) return E_INVALIDARG;
    if (input->Size() != count) return E_FAIL;
  }
  ColorListKeys lists(access);
  int n = 0;
  GetNumberOfBlocks(n);
  const std::size_t blocks = static_cast<std::size_t>(std::max(n, 0));
  // What is not named becomes not imposed, with placeholder components the table never uses.
  std::vector<int> index(blocks, kNotImposed), type(blocks, -1);
  std::array<std::vector<int>, 4> components = {std::vector<int>(blocks, -1),
                                                std::vector<int>(blocks, -1),
                                                std::vector<int>(blocks, -1),
                                                std::vector<int>(blocks, 0)};
  for (int i = 1; i <= count; ++i) {
    const int p = (*imposedColorIndices)[i];
    if (p == kNotImposed || p < 1 || p > n) continue;
    const std::size_t at = static_cast<std::size_t>(p - 1);
    index[at] = p;
    type[at] = (*interpolationTypes)[i];
    components[0][at] = (*red)[i];
    components[1][at] = (*green)[i];
    components[2][at] = (*blue)[i];
    components[3][at] = (*alpha)[i];
  }
  const std::array<ZORSpecAttrKey*, 4> componentKeys = lists.Components();
  for (int k = 1; k <= n; ++k) {
    const std::size_t at = static_cast<std::size_t>(k - 1);
    SetIfKey(*access, lists.index.get(), index[at], k);
    ZORAttributes::WriteParameter(*access, lists.type.get(), k, type[at], analysisFactory.get());
    for (std::size_t c = 0; c < 4; ++c) SetIfKey(*access, componentKeys[c], components[c][at], k);
  }
  return S_OK;
}

HRESULT ZORStNewColorScale::GetColors(int* count, ZORRawCollint* imposedColorIndices,
                                      ZORRawCollint* red, ZORRawCollint* green,
                                      ZORRawCollint* blue, ZORRawCollint* alpha,
                                      ZORRawCollint* interpolationTypes) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return E_FAIL;
  const std::array<ZORRawCollint*, 5> integerOutputs = {imposedColorIndices, red, green, blue,
                                                        alpha};
  if (count == nullptr || interpolationTypes == nullptr ||
      std::find(integerOutputs.begin(), integerOutputs.end(), nullptr) != integerOutputs.end()) {
    return E_INVALIDARG;
  }
  ColorListKeys lists(access);
  const std::array<ZORSpecAttrKey*, 5> integerKeys = {lists.index.get(), lists.red.get(),
                                                      lists.green.get(), lists.blue.get(),
                                                      lists.alpha.get()};
  if (lists.index && access->HasValue(lists.index.get())) {
    *count = access->ListSize(lists.index.get());
  }
  // Lists come back as stored; a list without a value gives nothing, and nothing is read past
  // the end of a list.
  std::array<int, 5> lengths{};
  for (std::size_t l = 0; l < 5; ++l) {
    lengths[l] = ZORAttributes::ListLength(*access, integerKeys[l]);
  }
  const int typeLength = ZORAttributes::ListLength(*access, lists.type.get());
  const int readable = std::min(*count, std::max(typeLength, *std::max_element(lengths.begin(),
                                                                               lengths.end())));
  for (int k = 1; k <= readable; ++k) {
    if (k <= lengths[0]) imposedColorIndices->Append(access->GetInteger(integerKeys[0], k));
    int type = 0;
    if (ZORAttributes::ReadParameter(*access, lists.type.get(), k, type)) {
      interpolationTypes->Append(type);
    }
    for (std::size_t l = 1; l < 5; ++l) {
      if (k <= lengths[l]) integerOutputs[l]->Append(access->GetInteger(integerKeys[l], k));
    }
  }
  return S_OK;
}

void ZORStNewColorScale::UnsetImposedColors(const int* positions, int count) {
  ZORISpecAttrAccess* access = attrAccess.get();
  ZORSpecAttrKey_var index = ZORAttributes::FindKey(access, keys::kImposedColorsIndexList);
  if (!index || !access->HasValue(index.get()) || positions == nullptr) return;
  if (count < 1 || count > access->ListSize(index.get())) return;
  int n = 0;
  GetNumberOfBlocks(n);
  // A position outside the blocks is skipped: one past the end would append a member and break
  // the lists' common length.
  for (int i = 0; i < count; ++i) {
    const int p = positions[i];
    if (p >= 1 && p <= n) access->SetInteger(index.get(), kNotImposed, p);
  }
}

void ZORStNewColorScale::SetColor(int position, int red, int green, int blue, int alpha) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  ColorListKeys lists(access);
  const int s = ZORAttributes::ListLength(*access, lists.index.get());
  if (position < 1 || position > s) return;
  access->SetInteger(lists.index.get(), position, position);
  ZORAttributes::WriteParameter(*access, lists.type.get(), position, 0, nullptr);
  const std::array<int, 4> components = {red, green, blue, alpha};
  const std::array<ZORSpecAttrKey*, 4> componentKeys = lists.Components();
  for (std::size_t c = 0; c < 4; ++c) SetIfKey(*access, componentKeys[c], components[c], position);
}

void ZORStNewColorScale::GetImposedColorsIndexList(ZORRawCollint* imposedColorIndices) {
  ZORISpecAttrAccess* access = attrAccess.get();
  ZORSpecAttrKey_var index = ZORAttributes::FindKey(access, keys::kImposedColorsIndexList);
  if (!index || imposedColorIndices == nullptr) return;
  const int length = ZORAttributes::ListLength(*access, index.get());
  for (int k = 1; k <= length; ++k) imposedColorIndices->Append(access->GetInteger(index.get(), k));
}

void ZORStNewColorScale::GetColorTable(ZORRawCollint* red, ZORRawCollint* green,
                                       ZORRawCollint* blue, ZORRawCollint* alpha,
                                       ZORRawCollint* imposedColorIndices) {
  const std::array<ZORRawCollint*, 4> components = {red, green, blue, alpha};
  if (imposedColorIndices == nullptr ||
      std::find(components.begin(), components.end(), nullptr) != components.end()) {
    return;
  }
  for (ZORRawCollint* component : components) component->RemoveAll();
  imposedColorIndices->RemoveAll();
  int n = 0;
  GetNumberOfBlocks(n);
  // n colors (0, 0, 0, 0), not imposed, unless the stored lists hold exactly n colors.
  for (int k = 1; k <= n; ++k) {
    for (ZORRawCollint* component : components) component->Append(0);
    imposedColorIndices->Append(kNotImposed);
  }
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr || n <= 0) return;
  ColorListKeys lists(access, ColorListKeys::Types::NotWanted);
  if (ZORAttributes::ListLength(*access, lists.index.get()) != n) return;

  const std::size_t count = static_cast<std::size_t>(n);
  const std::span<int> indices(imposedColorIndices->Data(), count);
  for (std::size_t k = 0; k < count; ++k) {
    indices[k] = access->GetInteger(lists.index.get(), static_cast<int>(k + 1));
  }
  const std::array<ZORSpecAttrKey*, 4> componentKeys = lists.Components();
  for (std::size_t c = 0; c < 4; ++c) {
    // A component list that is missing or short gives 0 for what it lacks.
    const std::span<int> component(components[c]->Data(), count);
    if (componentKeys[c] != nullptr) {
      for (std::size_t k = 0; k < count; ++k) {
        component[k] = access->GetInteger(componentKeys[c], static_cast<int>(k + 1));
      }
    }
    ZORColorScaleMath::InterpolateColorComponent(indices, component);
  }
}
