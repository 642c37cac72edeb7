// The color scale factory: makes new color scale features, and new color scales from legacy
// ones. It has no state.
#pragma once

#include "zor/ZORBaseUnknown.h"
#include "zor/ZORColorScaleInterfaces.h"

class ZORStColorScaleFactoryImpl : public ZORBaseUnknown {
 public:
  ZORStColorScaleFactoryImpl() = default;
  ~ZORStColorScaleFactoryImpl() override;
  // The class's meta-class, created on first use.
  static ZORMetaClass* MetaClass();
  ZORMetaClass* GetClassMetaObject() const override;
  const char* IsA() const override;
  int IsAKindOf(const char* name) const override;

  // A new "StNewColorScaleFeature" feature in the current part container's instantiation
  // target, through its color scale interface; empty when any step fails.
  ZORIStNewColorScale_var CreateColorScale();
  // A new color scale configured from a legacy one.
  HRESULT CreateFromLegacyColorScale(const ZORIStLegacyColorScale_var& legacy,
                                     ZORIStNewColorScale_var& result);
};
