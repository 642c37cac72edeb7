// The host's side of the test seam (zor/testing/ZORHostSeam.h).
#pragma once

#include <atomic>

#include "zor/testing/ZORHostSeam.h"

namespace ZORSeam {

extern std::atomic<ZORHostSeam*> installed;

// The installed seam, or null in a host program.
inline ZORHostSeam* Installed() { return installed.load(std::memory_order_acquire); }

}  // namespace ZORSeam

// The one spelling of a host call that a test may steer: true when this call must fail as the
// host lets it fail; it may throw instead.
inline bool ZORHostCallFails(ZORHostCall call, const char* key = nullptr,
                             const ZORDocument* document = nullptr) {
  ZORHostSeam* seam = ZORSeam::Installed();
  return seam != nullptr && seam->CallFails(call, key, document);
}
