// Interface ids, interface meta-classes and the key functions of the host's interface classes
// (so that their tables and type information live in the host library only).
#include "RuntimeInternal.h"
#include "zor/ZORAttributeStore.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostServices.h"

const GUID IID_ZORISpecObject = {0x409dcb33, 0x72b9, 0x458e,
                                 {0x94, 0x35, 0xed, 0xfd, 0x1d, 0xa0, 0x2b, 0x45}};
const GUID IID_ZORISpecAttrAccess = {0x4a0f452d, 0xe7f9, 0x48cb,
                                     {0x9a, 0x28, 0xbf, 0x70, 0x5c, 0x0c, 0x59, 0xfe}};
const GUID IID_ZORIMekParm = {0xf5657663, 0xcc44, 0x43ac,
                              {0x84, 0x27, 0xa1, 0xf9, 0x1b, 0x0d, 0x3d, 0xa1}};
const GUID IID_ZORIMekValue = {0x6ecddcbc, 0x49d7, 0x4190,
                               {0x81, 0x00, 0xbd, 0x8d, 0x92, 0xb9, 0xbe, 0xe7}};
const GUID IID_LifeCycleObject = {0x9f820af9, 0xbff0, 0x40a6,
                                  {0x81, 0x52, 0xff, 0x0f, 0xfa, 0x79, 0x0e, 0x8b}};
const GUID IID_ZORIPrtContainer = {0x1d21b56f, 0x69cb, 0x4cd2,
                                   {0x95, 0x78, 0x8b, 0x76, 0x74, 0xfa, 0x72, 0x09}};
const GUID IID_ZORIStDynAnalysisFactory = {0x93720b8c, 0x48cf, 0x4588,
                                           {0xa2, 0xd6, 0xac, 0x36, 0xe1, 0x7d, 0xfc, 0xa8}};
const GUID IID_ZORIStNewColorScale = {0x1db87916, 0x063b, 0x47a3,
                                      {0xb0, 0x79, 0xcb, 0x5d, 0xa2, 0xe9, 0xe8, 0x00}};
const GUID IID_ZORIStColorScaleFactory = {0xbdf0f832, 0x004d, 0x472b,
                                          {0x9c, 0x12, 0x6a, 0xae, 0xd5, 0xfe, 0x3a, 0x59}};
const GUID IID_ZORIStLegacyColorScale = {0xf18134fe, 0xad1e, 0x41fc,
                                         {0xbd, 0xe3, 0x18, 0xb9, 0x4c, 0xed, 0x53, 0x86}};
const GUID CLSID_ZORStColorScaleFactory = {0xE564AF35, 0x9761, 0x43EF,
                                           {0x94, 0xEF, 0x1F, 0x21, 0x29, 0xA2, 0x58, 0xC7}};

ZORMetaClass* ZORISpecObject::MetaObject() {
  static ZORMetaClass* meta = ZORRuntime::InterfaceMeta("ZORISpecObject", IID_ZORISpecObject);
  return meta;
}
ZORMetaClass* ZORISpecAttrAccess::MetaObject() {
  static ZORMetaClass* meta =
      ZORRuntime::InterfaceMeta("ZORISpecAttrAccess", IID_ZORISpecAttrAccess);
  return meta;
}
ZORMetaClass* ZORIStNewColorScale::MetaObject() {
  static ZORMetaClass* meta =
      ZORRuntime::InterfaceMeta("ZORIStNewColorScale", IID_ZORIStNewColorScale);
  return meta;
}
ZORMetaClass* ZORIStColorScaleFactory::MetaObject() {
  static ZORMetaClass* meta =
      ZORRuntime::InterfaceMeta("ZORIStColorScaleFactory", IID_ZORIStColorScaleFactory);
  return meta;
}

ZORISpecObject::~ZORISpecObject() = default;
ZORISpecAttrAccess::~ZORISpecAttrAccess() = default;
ZORIMekValue::~ZORIMekValue() = default;
ZORIMekParm::~ZORIMekParm() = default;
LifeCycleObject::~LifeCycleObject() = default;
ZORIPrtContainer::~ZORIPrtContainer() = default;
ZORIStDynAnalysisFactory::~ZORIStDynAnalysisFactory() = default;
ZORGeoFactory::~ZORGeoFactory() = default;
ZORIStNewColorScale::~ZORIStNewColorScale() = default;
ZORIStLegacyColorScale::~ZORIStLegacyColorScale() = default;
ZORIStColorScaleFactory::~ZORIStColorScaleFactory() = default;
