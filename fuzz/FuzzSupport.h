// What the fuzz targets share with their replay in ordinary builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

// Stops the run with a message: a finding.
[[noreturn]] inline void ZORFuzzFinding(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

// Reads typed values from the input, front to back; zeros once it is used up.
class ZORFuzzInput {
 public:
  ZORFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return used_ >= size_; }
  template <class T>
  T Take() {
    T value{};
    const std::size_t length = used_ + sizeof(T) <= size_ ? sizeof(T) : size_ - used_;
    if (length > 0) std::memcpy(&value, data_ + used_, length);
    used_ += length;
    return value;
  }
  std::uint8_t Byte() { return Take<std::uint8_t>(); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t used_ = 0;
};
