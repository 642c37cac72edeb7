// Basic types shared by the host runtime and every component it loads.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__GNUC__) || defined(__clang__)
#define ZORHOST_API __attribute__((visibility("default")))
#else
#error "The host platform needs the GCC/Clang visibility attribute."
#endif

// Result code: a signed 32-bit status. Negative values are failures.
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

// The host's boolean: an 8-bit value, passed and stored as it is (never normalised).
using ZORBoolean = std::uint8_t;
inline constexpr ZORBoolean ZORFalse = 0;
inline constexpr ZORBoolean ZORTrue = 1;

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];

  friend bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
  }
};
static_assert(sizeof(GUID) == 16, "a GUID is four 32-bit words");

// The version of the host platform library a program runs with (it may differ from the one the
// program was built with, ZOR_VERSION in zor/ZORVersion.h).
ZORHOST_API const char* ZORHostVersion();

// The host's infinite double; minus infinity is its sign-flipped value.
extern ZORHOST_API const double ZORMathInfinite;
