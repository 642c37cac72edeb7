// The host's growable lists of plain numbers, with 1-based element access.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <type_traits>

#include "zor/ZORTypes.h"

[[noreturn]] ZORHOST_API void ZORRawCollIndexError(int index, int size);

template <class T>
class ZORRawColl {
  static_assert(std::is_trivially_copyable_v<T>, "a raw list holds plain numbers");

 public:
  ZORRawColl() noexcept = default;
  ZORRawColl(std::initializer_list<T> values) {
    for (T value : values) Append(value);
  }
  ZORRawColl(const ZORRawColl& other) { CopyFrom(other); }
  ZORRawColl& operator=(const ZORRawColl& other) {
    if (this != &other) {
      RemoveAll();
      CopyFrom(other);
    }
    return *this;
  }
  ~ZORRawColl() {
    if (data_ != inline_) std::free(data_);
  }

  void Append(T value) {
    if (size_ == capacity_) Grow();
    data_[size_++] = value;
  }
  // Position 1 is the first element.
  T& operator[](int position) {
    if (position < 1 || position > size_) ZORRawCollIndexError(position, size_);
    return data_[position - 1];
  }
  const T& operator[](int position) const {
    if (position < 1 || position > size_) ZORRawCollIndexError(position, size_);
    return data_[position - 1];
  }
  int Size() const noexcept { return size_; }
  void RemoveAll() noexcept { size_ = 0; }

  const T* begin() const noexcept { return data_; }
  const T* end() const noexcept { return data_ + size_; }
  // The elements in order, position 1 first: for bulk reads and writes.
  T* Data() noexcept { return data_; }
  const T* Data() const noexcept { return data_; }

  friend bool operator==(const ZORRawColl& a, const ZORRawColl& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  // Short lists, the usual case for a scale of a few blocks, need no allocation.
  static constexpr int kInlineCapacity = 16;

  void CopyFrom(const ZORRawColl& other) {
    for (T value : other) Append(value);
  }
  void Grow() {
    int capacity = capacity_ * 2;
    T* grown = static_cast<T*>(std::malloc(sizeof(T) * static_cast<std::size_t>(capacity)));
    if (grown == nullptr) throw std::bad_alloc();
    std::copy(data_, data_ + size_, grown);
    if (data_ != inline_) std::free(data_);
    data_ = grown;
    capacity_ = capacity;
  }

  T inline_[kInlineCapacity];
  T* data_ = inline_;
  int size_ = 0;
  int capacity_ = kInlineCapacity;
};

using ZORRawCollint = ZORRawColl<int>;
using ZORRawColldouble = ZORRawColl<double>;
