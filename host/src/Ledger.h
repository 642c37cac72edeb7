// Accounting of live components and of the host's allocations, read by the test controls.
#pragma once

#include <cstddef>

#include "zor/ZORBaseUnknown.h"

namespace ZORLedger {

void ComponentBorn(ZORBaseUnknown* component);
void ComponentDied(ZORBaseUnknown* component);
// Adapters that keep their own count (the IClassFactory kind).
void AdapterBorn(IUnknown* adapter);
void AdapterDied(IUnknown* adapter);

void* Allocate(std::size_t size) noexcept;
void Free(void* memory) noexcept;

}  // namespace ZORLedger
