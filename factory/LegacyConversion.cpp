#include "factory/ZORStColorScaleFactoryImpl.h"

HRESULT ZORStColorScaleFactoryImpl::CreateFromLegacyColorScale(const ZORIStLegacyColorScale_var&,
                                                               ZORIStNewColorScale_var&) {
  return E_FAIL;
}
