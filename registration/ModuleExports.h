// Attributes for what the module exports and where its registration list lives.
#pragma once

#if !defined(__GNUC__) && !defined(__clang__)
#error "The module needs the GCC/Clang section and visibility attributes."
#endif

// Exported by name from the module file (everything else is hidden).
#define ZORMODULE_EXPORT __attribute__((visibility("default")))

// Places the registration list in the module file's data section "qrnom".
#define ZORMODULE_REGISTRATION_SECTION __attribute__((section("qrnom"), used))
