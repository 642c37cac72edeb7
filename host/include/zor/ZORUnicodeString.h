// The host's string: text kept as UTF-8.
#pragma once

#include <string>

#include "zor/ZORTypes.h"

class ZORHOST_API ZORUnicodeString {
 public:
  ZORUnicodeString() = default;
  ZORUnicodeString(const char* text) : text_(text != nullptr ? text : "") {}
  explicit ZORUnicodeString(std::string text) : text_(std::move(text)) {}

  // The text as 8-bit characters; it ends at the first NUL, as every C string does.
  const char* CastToCharPtr() const { return text_.c_str(); }
  const std::string& Text() const { return text_; }
  bool IsEmpty() const { return text_.empty(); }

  friend bool operator==(const ZORUnicodeString&, const ZORUnicodeString&) = default;

 private:
  std::string text_;
};
