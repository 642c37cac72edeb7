// Handles: each holds at most one reference and gives it back when destroyed or reassigned.
#pragma once

#include <cstddef>
#include <utility>

#include "zor/ZORBaseUnknown.h"

template <class T>
class ZORVar {
 public:
  ZORVar() noexcept = default;
  ZORVar(std::nullptr_t) noexcept {}

  // Asks `component` for T; the handle stays empty when the component does not answer.
  explicit ZORVar(IUnknown* component) {
    if (component != nullptr) {
      void* answer = nullptr;
      if (SUCCEEDED(component->QueryInterface(T::InterfaceId(), &answer))) {
        pointer_ = static_cast<T*>(answer);
      }
    }
  }
  template <class U>
  explicit ZORVar(const ZORVar<U>& other) : ZORVar(static_cast<IUnknown*>(other.get())) {}

  // Takes over a reference that the caller already owns.
  static ZORVar Adopt(T* pointer) noexcept {
    ZORVar handle;
    handle.pointer_ = pointer;
    return handle;
  }
  // Adds a reference of its own.
  static ZORVar Retain(T* pointer) noexcept {
    if (pointer != nullptr) pointer->AddRef();
    return Adopt(pointer);
  }

  ZORVar(const ZORVar& other) noexcept : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ZORVar(ZORVar&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ZORVar& operator=(ZORVar other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ZORVar() { Reset(); }

  void Reset() noexcept {
    if (T* old = std::exchange(pointer_, nullptr)) old->Release();
  }
  // Hands the reference to the caller, who must give it back.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(pointer_, nullptr); }

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  T& operator*() const noexcept { return *pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  bool IsNull() const noexcept { return pointer_ == nullptr; }

 private:
  T* pointer_ = nullptr;
};

using ZORBaseUnknown_var = ZORVar<ZORBaseUnknown>;
