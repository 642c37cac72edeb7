#include "colorscale/AttributeAccess.h"

#include <type_traits>

namespace ZORAttributes {

namespace {

ZORIMekParm_var FetchParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position) {
  if (key == nullptr || !access.HasValue(key)) return {};
  ZORISpecObject_var member = ZORISpecObject_var::Adopt(access.GetListMember(key, position));
  return ZORIMekParm_var(member);
}

template <class T>
bool ReadValue(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, T& value) {
  ZORIMekParm_var parameter = FetchParameter(access, key, position);
  if (!parameter) return false;
  ZORIMekValue_var valueObject = parameter->Value();
  if (!valueObject) return false;
  if constexpr (std::is_same_v<T, double>) {
    value = valueObject->AsReal();
  } else {
    value = valueObject->AsInteger();
  }
  return true;
}

template <class T>
void WriteValue(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, T value,
                ZORIStDynAnalysisFactory* creator) {
  if (key == nullptr) return;
  ZORIMekParm_var parameter = FetchParameter(access, key, position);
  if (!parameter && creator != nullptr) {
    ZORISpecObject_var created = creator->CreateParameter();
    if (created) {
      access.SetListMember(key, created.get(), position, ZORFalse);
      parameter = ZORIMekParm_var(created);
    }
  }
  if (!parameter) return;
  if constexpr (std::is_same_v<T, double>) {
    parameter->SetRealValue(value);
  } else {
    parameter->SetIntegerValue(value);
  }
}

}  // namespace

ZORSpecAttrKey_var FindKey(ZORISpecAttrAccess* access, const char* name) {
  if (access == nullptr) return {};
  return ZORSpecAttrKey_var::Adopt(access->FindKey(name));
}

int ListLength(ZORISpecAttrAccess& access, ZORSpecAttrKey* key) {
  if (key == nullptr || !access.HasValue(key)) return 0;
  return access.ListSize(key);
}

bool ReadParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, double& value) {
  return ReadValue(access, key, position, value);
}

bool ReadParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, int& value) {
  return ReadValue(access, key, position, value);
}

void WriteParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, double value,
                    ZORIStDynAnalysisFactory* creator) {
  WriteValue(access, key, position, value, creator);
}

void WriteParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, int value,
                    ZORIStDynAnalysisFactory* creator) {
  WriteValue(access, key, position, value, creator);
}

void RemoveParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position,
                     bool holdsAnalysisFactory) {
  if (key == nullptr) return;
  ZORISpecObject_var member = ZORISpecObject_var::Adopt(access.GetListMember(key, position));
  if (!member || !holdsAnalysisFactory) return;
  LifeCycleObject_var lifeCycle(member);
  access.RemoveListMember(key, position);
  if (lifeCycle) lifeCycle->Remove(0);
}

}  // namespace ZORAttributes
