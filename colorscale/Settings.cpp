// Saving a scale to, and loading it from, a named settings repository.
#include "colorscale/ZORStNewColorScale.h"

int ZORStNewColorScale::SaveToSettings(const ZORUnicodeString&) { return 0; }
int ZORStNewColorScale::LoadFromSettings(const ZORUnicodeString&) { return 0; }
