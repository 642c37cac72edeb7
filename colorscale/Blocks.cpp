// Changing the number of blocks: the count is stored, then the color lists and the value lists
// are brought to the new size and reset.
#include "colorscale/AttributeAccess.h"
#include "colorscale/AttributeKeys.h"
#include "colorscale/ZORStNewColorScale.h"

HRESULT ZORStNewColorScale::SetNumberOfBlocks(int count) {
  if (!attrAccess) return E_FAIL;
  if (count > kMaximumBlockCount) return E_INVALIDARG;
  {
    ZORSpecAttrKey_var key =
        ZORAttributes::FindKey(attrAccess.get(), ZORColorScaleKeys::kNumberOfBlocks);
    if (!key) return E_FAIL;
    // Always written, even when equal; 0 and negative counts are stored as they are.
    attrAccess->SetInteger(key.get(), count, 0);
  }
  // Both resizes read the count back, so the write comes first; colors before values.
  ResizeColorLists();
  ResizeValueLists();
  return S_OK;
}
