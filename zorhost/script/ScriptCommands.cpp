#include "zorhost/script/ScriptCommands.h"

#include "zor/ZORText.h"

bool ZORScriptArguments::Take(std::string_view word) {
  if (!More() || words_[next_] != word) return false;
  ++next_;
  return true;
}

std::string ZORScriptArguments::Word(const char* what) {
  if (!More()) Fail(std::string("missing ") + what);
  return std::string(words_[next_++]);
}

void ZORScriptArguments::Done() {
  if (More()) Fail("too many arguments (" + ZORScriptShown(Token()) + " and after)");
}

void ZORScriptArguments::Fail(const std::string& what) const {
  throw ZORScriptLineError{std::string(command_) + ": " + what};
}

std::string_view ZORScriptArguments::Token() const {
  std::string_view first = words_[next_];
  std::size_t last = next_;
  if (first.front() == '[') {
    while (words_[last].back() != ']' && last + 1 < words_.size()) ++last;
  }
  return {first.data(), static_cast<std::size_t>(words_[last].data() + words_[last].size() - first.data())};
}

std::string ZORScriptArguments::Hint() const {
  const std::string_view token = Token();
  return token.find_first_of(" \t") != std::string_view::npos ? " (lists have no spaces)" : "";
}

std::string ZORScriptShown(std::string_view text) {
  constexpr std::size_t kLongest = 1000;
  return "'" + ZORPrintable(text.substr(0, kLongest)) + (text.size() > kLongest ? "..." : "") + "'";
}

ZORScriptReply& ZORScriptReply::operator<<(const std::string& item) {
  text_ += ' ';
  text_ += item;
  return *this;
}

void ZORScriptReply::Refuse(const std::string& what) const {
  throw ZORScriptLineError{std::string(command_) + ": " + what};
}

ZORIStNewColorScale& ZORScriptContext::Scale(const ZORScriptReply& reply) const {
  if (current_ == 0) reply.Refuse("there is no color scale yet: make one with 'new'");
  return *scales_[current_ - 1];
}

int ZORScriptContext::Add(ZORIStNewColorScale_var scale) {
  scales_.push_back(std::move(scale));
  current_ = scales_.size();
  return static_cast<int>(current_);
}

void ZORScriptContext::Clear() {
  scales_.clear();
  current_ = 0;
}
