// The host's string: text kept as UTF-8.
#pragma once

#include <string>

#include "zor/ZORTypes.h"

class ZORHOST_API ZORUnicodeString {
 public:
  ZORUnicodeString() = default;
  ZORUnicodeString(const char* text) : text_(text != nullptr ? text : "") {}
  explicit ZORUnicodeString(std::string text) : text_(std::move(text)) { MarkNulls(); }

  // The text as 8-bit characters. A C string cannot hold a NUL, and cutting the text there would
  // silently make it another text: each NUL is given as U+FFFD (the replacement character)
  // instead, which no name or key accepts.
  const char* CastToCharPtr() const { return charForm_.empty() ? text_.c_str() : charForm_.c_str(); }
  const std::string& Text() const { return text_; }
  bool IsEmpty() const { return text_.empty(); }

  friend bool operator==(const ZORUnicodeString& a, const ZORUnicodeString& b) {
    return a.text_ == b.text_;
  }

 private:
  void MarkNulls() {
    if (text_.find('\0') == std::string::npos) return;
    for (char c : text_) charForm_ += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
  }

  std::string text_;
  std::string charForm_;  // set only when the text holds a NUL
};
