// Member-by-member access to the feature's list attributes, as every list operation does it.
#pragma once

#include "zor/ZORAttributeStore.h"
#include "zor/ZORHostServices.h"

namespace ZORAttributes {

// The key of the named attribute; empty when there is no store or no such attribute.
ZORSpecAttrKey_var FindKey(ZORISpecAttrAccess* access, const char* name);

// The number of members of a list; 0 when the key is missing or the list has no value.
int ListLength(ZORISpecAttrAccess& access, ZORSpecAttrKey* key);

// Reads the value of the knowledge parameter at `position`. False, with `value` untouched, when
// the key is missing or has no value, or the member, the parameter or its value is missing.
bool ReadParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, double& value);
bool ReadParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, int& value);

// Writes the value of the parameter at `position`. A missing member is created through
// `creator` and attached there when a creator is given; otherwise it is skipped.
void WriteParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, double value,
                    ZORIStDynAnalysisFactory* creator);
void WriteParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position, int value,
                    ZORIStDynAnalysisFactory* creator);

// Trims the parameter list at `position`: the member is taken out of the list and deleted from
// its document, but only while the object holds its analysis factory.
void RemoveParameter(ZORISpecAttrAccess& access, ZORSpecAttrKey* key, int position,
                     bool holdsAnalysisFactory);

}  // namespace ZORAttributes
