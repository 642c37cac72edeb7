#include "zorhost/ScriptCommands.h"

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
  if (More()) {
    Fail("too many arguments ('" + std::string(words_[next_].substr(0, 40)) + "' and after)");
  }
}

void ZORScriptArguments::Fail(const std::string& what) const {
  throw ZORScriptLineError{std::string(command_) + ": " + what};
}

std::string ZORScriptArguments::Shown(std::string_view word) {
  return "'" + std::string(word.substr(0, 40)) + (word.size() > 40 ? "..." : "") + "'";
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
