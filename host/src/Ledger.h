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

// A component about to be destroyed by its last release, and the class it was.
void Dying(const void* component, const char* className);
// The class of a destroyed component kept by the zombie mode, or null.
const char* ZombieClass(const void* component);

}  // namespace ZORLedger
