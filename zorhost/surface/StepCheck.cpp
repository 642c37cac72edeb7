#include "zorhost/surface/StepCheck.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "zor/ZORText.h"
#include "zorhost/common/InputFiles.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/surface/SurfaceMesh.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameWord(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 32) : word[i];
    if (c != upper[i]) return false;
  }
  return true;
}

// The exchange structure, a byte at a time: strings, comments and binaries are passed over; words
// (keywords, entity names) and numbers are gathered and looked at whole.
class StepScanner {
 public:
  // Takes the next byte; false, with the error set, at the first thing refused.
  bool Take(char c) {
    switch (mode_) {
      case Mode::String:
        if (c == '\'') mode_ = Mode::StringQuote;
        return true;
      case Mode::StringQuote:  // '' is a quote inside the string
        mode_ = c == '\'' ? Mode::String : Mode::Normal;
        return c == '\'' || Normal(c);
      case Mode::Binary:
        if (c == '"') mode_ = Mode::Normal;
        return true;
      case Mode::Slash:
        if (c == '*') {
          mode_ = Mode::Comment;
          return true;
        }
        mode_ = Mode::Normal;
        return Normal(c);
      case Mode::Comment:
        if (c == '*') mode_ = Mode::CommentStar;
        return true;
      case Mode::CommentStar:
        mode_ = c == '/' ? Mode::Normal : c == '*' ? Mode::CommentStar : Mode::Comment;
        return true;
      case Mode::Enumeration:
        if (c == '.') mode_ = Mode::Normal;
        return true;
      case Mode::Token:
        if (IsDigit(c) || IsLetter(c) || c == '_' || c == '.' || c == '!' ||
            ((c == '+' || c == '-') && !token_.empty() &&
             (token_.back() == 'E' || token_.back() == 'e'))) {
          if (token_.size() == kLongestToken) return Fail("a word or number of more than " +
                                                          std::to_string(kLongestToken) + " characters");
          token_ += c;
          return true;
        }
        mode_ = Mode::Normal;
        return EndToken() && Normal(c);
      case Mode::Normal:
        return Normal(c);
    }
    return true;
  }

  bool Finish() { return mode_ != Mode::Token || EndToken(); }
  const std::string& Error() const { return error_; }

 private:
  enum class Mode { Normal, String, StringQuote, Binary, Slash, Comment, CommentStar, Enumeration, Token };
  static constexpr std::size_t kLongestToken = 4096;

  bool Normal(char c) {
    if (pendingWord_ && !IsBlank(c)) {
      // A word followed by '(' names an entity type or a typed parameter.
      pendingWord_ = false;
      if (c == '(') {
        if (depth_ <= 1) type_ = word_;
      } else if (depth_ > 0 && (SameWord(word_, "NAN") || SameWord(word_, "INF") ||
                                SameWord(word_, "INFINITY"))) {
        return Fail(word_ + " is not a finite number");
      }
    }
    switch (c) {
      case '\'': mode_ = Mode::String; return true;
      case '"': mode_ = Mode::Binary; return true;
      case '/': mode_ = Mode::Slash; return true;
      case '(':
        if (++depth_ > kZORStepDeepestNesting) {
          return Fail("parentheses nest deeper than " + std::to_string(kZORStepDeepestNesting) +
                      " levels");
        }
        return true;
      case ')':
        if (depth_ > 0) --depth_;
        return true;
      case ';':
        depth_ = 0;
        entity_.clear();
        type_.clear();
        return true;
      case '=':
        if (depth_ == 0 && lastWasReference_) entity_ = reference_;
        lastWasReference_ = false;
        return true;
      case '#':
        mode_ = Mode::Token;
        token_ = "#";
        return true;
      case '.':
        mode_ = Mode::Enumeration;
        return true;
      default:
        if (IsBlank(c)) return true;
        lastWasReference_ = false;
        if (IsDigit(c) || IsLetter(c) || c == '_' || c == '!' || c == '+' || c == '-') {
          mode_ = Mode::Token;
          token_.assign(1, c);
        }
        return true;
    }
  }

  bool EndToken() {
    lastWasReference_ = false;
    if (token_.front() == '#') {
      reference_ = token_;
      lastWasReference_ = true;
      return true;
    }
    const char first = token_.front();
    if (IsLetter(first) || first == '_' || first == '!') {
      word_ = token_;
      pendingWord_ = true;
      return true;
    }
    return CheckNumber();
  }

  bool CheckNumber() {
    std::string_view text = token_;
    if (text.size() > 1 && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem == std::errc::result_out_of_range) {
      // Too small only rounds to zero; too large is refused.
      if (std::strtod(token_.c_str(), nullptr) != 0.0) {
        return Fail("the number " + ZORPrintable(token_) + " is beyond the range of a double");
      }
      return true;
    }
    if (problem != std::errc() || end != text.data() + text.size()) return true;  // the kernel's to judge
    if (SameWord(type_, "CARTESIAN_POINT") && std::fabs(value) > kZORLargestCoordinate) {
      return Fail("the coordinate " + ZORPrintable(token_) + " is beyond " + ZORShownNumber(kZORLargestCoordinate));
    }
    return true;
  }

  bool Fail(const std::string& what) {
    error_ = (entity_.empty() ? std::string("the header") : "entity " + ZORPrintable(entity_)) +
             ": " + what;
    return false;
  }

  Mode mode_ = Mode::Normal;
  std::string token_;
  std::string word_;        // the last keyword, until what follows it is seen
  bool pendingWord_ = false;
  std::string reference_;   // the last #N
  bool lastWasReference_ = false;
  std::string entity_;      // the record being read, "#N"
  std::string type_;        // its type, or the latest typed parameter's outside the record's list
  int depth_ = 0;
  std::string error_;
};

}  // namespace

ZOROutcome ZORCheckStepFile(const std::string& path) {
  StepScanner scanner;
  bool fine = true;
  if (ZOROutcome problem = ZORReadChunks(path, ZORInputKind::RegularFile, [&scanner, &fine](std::string_view chunk) {
        for (std::size_t i = 0; i < chunk.size() && fine; ++i) fine = scanner.Take(chunk[i]);
        return fine;
      })) {
    return problem;
  }
  if (fine) fine = scanner.Finish();
  if (!fine) return ZORBadInput(ZORPrintable(path) + ": " + scanner.Error());
  return std::nullopt;
}

ZOROutcome ZORCheckStepText(std::string_view text) {
  StepScanner scanner;
  bool fine = true;
  for (std::size_t i = 0; i < text.size() && fine; ++i) fine = scanner.Take(text[i]);
  if (fine) fine = scanner.Finish();
  if (!fine) return ZORBadInput(scanner.Error());
  return std::nullopt;
}
