// The scalar options: each lives in one attribute of the feature, read and written at once.
#include "colorscale/AttributeAccess.h"
#include "colorscale/AttributeKeys.h"
#include "colorscale/ZORStNewColorScale.h"

namespace keys = ZORColorScaleKeys;

namespace {

int ReadScalar(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int*) {
  return access.GetInteger(key, 0);
}
ZORBoolean ReadScalar(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, ZORBoolean*) {
  return access.GetBoolean(key, 0);
}
void WriteScalar(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int value) {
  access.SetInteger(key, value, 0);
}
void WriteScalar(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, ZORBoolean value) {
  access.SetBoolean(key, value, 0);
}

enum class Preset { None, Zero };

// Booleans are read and compared as the 8-bit values they are, never normalised.
template <class T>
HRESULT GetOption(ZORISpecAttrAccess* access, const char* name, T& value, Preset preset) {
  // The presetting getters leave 0 behind whenever they fail.
  if (preset == Preset::Zero) value = 0;
  if (access == nullptr) return E_FAIL;
  ZORSpecAttrKey_var key = ZORAttributes::FindKey(access, name);
  if (!key) return E_FAIL;
  if (!access->HasValue(key.get())) return E_FAIL;
  value = ReadScalar(*access, key.get(), static_cast<T*>(nullptr));
  return S_OK;
}

// Writes nothing when the option already holds the value; an option without a value is written,
// 0 included.
template <class T>
HRESULT SetOption(ZORStNewColorScale& scale, ZORISpecAttrAccess* access, const char* name,
                  T value, HRESULT (ZORStNewColorScale::*getter)(T&)) {
  if (access == nullptr) return E_FAIL;
  T stored = 0;
  HRESULT readResult = (scale.*getter)(stored);
  if (SUCCEEDED(readResult) && value == stored) return S_OK;
  ZORSpecAttrKey_var key = ZORAttributes::FindKey(access, name);
  if (!key) return readResult;
  WriteScalar(*access, key.get(), value);
  return S_OK;
}

}  // namespace

HRESULT ZORStNewColorScale::GetAutoMinMaxOption(int& value) {
  return GetOption(attrAccess.get(), keys::kAutoMinMaxOption, value, Preset::None);
}
HRESULT ZORStNewColorScale::SetAutoMinMaxOption(int value) {
  return SetOption(*this, attrAccess.get(), keys::kAutoMinMaxOption, value,
                   &ZORStNewColorScale::GetAutoMinMaxOption);
}

HRESULT ZORStNewColorScale::GetAutoMinMaxStatus(ZORBoolean& value) {
  return GetOption(attrAccess.get(), keys::kAutoMinMaxStatus, value, Preset::None);
}
HRESULT ZORStNewColorScale::SetAutoMinMaxStatus(ZORBoolean value) {
  return SetOption(*this, attrAccess.get(), keys::kAutoMinMaxStatus, value,
                   &ZORStNewColorScale::GetAutoMinMaxStatus);
}

HRESULT ZORStNewColorScale::GetAbsoluteExtrema(int& value) {
  return GetOption(attrAccess.get(), keys::kAbsoluteExtrema, value, Preset::Zero);
}
HRESULT ZORStNewColorScale::SetAbsoluteExtrema(int value) {
  return SetOption(*this, attrAccess.get(), keys::kAbsoluteExtrema, value,
                   &ZORStNewColorScale::GetAbsoluteExtrema);
}

HRESULT ZORStNewColorScale::GetGreenIsFlat(int& value) {
  return GetOption(attrAccess.get(), keys::kGreenIsFlat, value, Preset::Zero);
}
HRESULT ZORStNewColorScale::SetGreenIsFlat(int value) {
  return SetOption(*this, attrAccess.get(), keys::kGreenIsFlat, value,
                   &ZORStNewColorScale::GetGreenIsFlat);
}

HRESULT ZORStNewColorScale::GetNumberOfColorsStatus(ZORBoolean& value) {
  return GetOption(attrAccess.get(), keys::kNumberOfColorsStatus, value, Preset::None);
}
HRESULT ZORStNewColorScale::SetNumberOfColorsStatus(ZORBoolean value) {
  return SetOption(*this, attrAccess.get(), keys::kNumberOfColorsStatus, value,
                   &ZORStNewColorScale::GetNumberOfColorsStatus);
}

HRESULT ZORStNewColorScale::GetNonlinearScale(int& value) {
  return GetOption(attrAccess.get(), keys::kNonlinearScale, value, Preset::None);
}
HRESULT ZORStNewColorScale::SetNonlinearScale(int value) {
  return SetOption(*this, attrAccess.get(), keys::kNonlinearScale, value,
                   &ZORStNewColorScale::GetNonlinearScale);
}

HRESULT ZORStNewColorScale::GetNumberOfBlocks(int& count) {
  return GetOption(attrAccess.get(), keys::kNumberOfBlocks, count, Preset::Zero);
}

void ZORStNewColorScale::GetOptions(ZORBoolean& nonlinearScale, ZORBoolean& absoluteExtrema,
                                    ZORBoolean& greenIsFlat, ZORBoolean& numberOfColorsStatus) {
  ZORISpecAttrAccess* access = attrAccess.get();
  if (access == nullptr) return;
  // Each output is written only when its attribute has a value; the three integer options are
  // handed out as their low 8 bits.
  struct IntegerFlag {
    const char* name;
    ZORBoolean& output;
  };
  for (IntegerFlag flag : {IntegerFlag{keys::kNonlinearScale, nonlinearScale},
                           IntegerFlag{keys::kAbsoluteExtrema, absoluteExtrema},
                           IntegerFlag{keys::kGreenIsFlat, greenIsFlat}}) {
    ZORSpecAttrKey_var key = ZORAttributes::FindKey(access, flag.name);
    if (key && access->HasValue(key.get())) {
      flag.output = static_cast<ZORBoolean>(access->GetInteger(key.get(), 0));
    }
  }
  ZORSpecAttrKey_var key = ZORAttributes::FindKey(access, keys::kNumberOfColorsStatus);
  if (key && access->HasValue(key.get())) numberOfColorsStatus = access->GetBoolean(key.get(), 0);
}

HRESULT ZORStNewColorScale::SetColorUndefine(const int& red, const int& green, const int& blue,
                                             const int& alpha) {
  ZORSpecAttrKey_var key = ZORAttributes::FindKey(attrAccess.get(), keys::kColorUndefine);
  if (!key) return E_FAIL;
  // Stored as given: no comparison with the stored color, no clamping.
  attrAccess->SetInteger(key.get(), red, 1);
  attrAccess->SetInteger(key.get(), green, 2);
  attrAccess->SetInteger(key.get(), blue, 3);
  attrAccess->SetInteger(key.get(), alpha, 4);
  return S_OK;
}

HRESULT ZORStNewColorScale::GetColorUndefine(int& red, int& green, int& blue, int& alpha) {
  ZORSpecAttrKey_var key = ZORAttributes::FindKey(attrAccess.get(), keys::kColorUndefine);
  if (!key || !attrAccess->HasValue(key.get())) return E_FAIL;
  red = attrAccess->GetInteger(key.get(), 1);
  green = attrAccess->GetInteger(key.get(), 2);
  blue = attrAccess->GetInteger(key.get(), 3);
  alpha = attrAccess->GetInteger(key.get(), 4);
  return S_OK;
}
