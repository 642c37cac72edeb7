// The commands of `zorhost script` as tables: each command is a name, the schema of its
// arguments and a call. A line is read whole against the schema, and checked, before its call is
// made: a bad line calls nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/script/ScriptValues.h"

// Text of the user's shown in a message: quoted, escaped, and whole unless it is very long.
std::string ZORScriptShown(std::string_view text);

// What is wrong with a script line; the runner reports it and stops.
struct ZORScriptLineError {
  std::string what;
};

// The words of a line after its command, read in order.
class ZORScriptArguments {
 public:
  ZORScriptArguments(std::string_view command, std::vector<std::string_view> words)
      : command_(command), words_(std::move(words)) {}

  std::string_view Command() const { return command_; }
  bool More() const { return next_ < words_.size(); }
  // The next word, when it is `word`: taken.
  bool Take(std::string_view word);

  // The next word read by `read`; a line error when it is missing or not of that form.
  template <class Reader>
  auto Read(const char* what, const char* form, Reader read) {
    if (!More()) Fail(std::string("missing ") + what + " (" + form + ")");
    auto value = read(words_[next_]);
    if (!value) Fail(std::string(what) + " " + ZORScriptShown(Token()) + " is not " + form + Hint());
    ++next_;
    return *value;
  }
  int Int(const char* what) { return Read(what, "an int", &ZORReadInt); }
  ZORBoolean Boolean(const char* what) {
    return Read(what, "a boolean (0 to 255)", &ZORScriptValues::ReadBoolean);
  }
  double Double(const char* what) { return Read(what, "a double", &ZORReadDouble); }
  std::vector<int> IntList(const char* what) {
    return Read(what, "a list of ints", &ZORReadIntList);
  }
  std::vector<double> DoubleList(const char* what) {
    return Read(what, "a list of doubles", &ZORReadDoubleList);
  }
  std::string Word(const char* what);

  // No argument may be left over.
  void Done();
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  // The token the next word starts, as the user wrote it: a list written with spaces in it runs
  // on to the word that closes it.
  std::string_view Token() const;
  std::string Hint() const;

  std::string_view command_;
  std::vector<std::string_view> words_;
  std::size_t next_ = 0;
};

// The line a command prints: its name, then each item after a space. A command refuses its line
// through it, before it calls anything.
class ZORScriptReply {
 public:
  explicit ZORScriptReply(std::string_view command) : command_(command), text_(command) {}
  ZORScriptReply& operator<<(const std::string& item);
  ZORScriptReply& Code(HRESULT result) { return *this << ZORScriptValues::Code(result); }
  ZORScriptReply& Int(int value) { return *this << std::to_string(value); }
  ZORScriptReply& Double(double value) { return *this << ZORExactNumber(value); }
  ZORScriptReply& Ints(const std::vector<int>& list) {
    return *this << ZORScriptValues::IntList(list);
  }
  ZORScriptReply& Doubles(const std::vector<double>& list) {
    return *this << ZORScriptValues::DoubleList(list);
  }
  ZORScriptReply& DoubleOrNull(const std::optional<double>& value) {
    return *this << (value ? ZORExactNumber(*value) : "null");
  }
  [[noreturn]] void Refuse(const std::string& what) const;
  const std::string& Text() const { return text_; }

 private:
  std::string_view command_;
  std::string text_;
};

// What the commands of one run share: the host and the scales the run has made.
class ZORScriptContext {
 public:
  explicit ZORScriptContext(ZORModuleHost& host) : host_(host) {}
  ZORModuleHost& Host() { return host_; }
  // The current scale; the reply is refused when the run has made none yet.
  ZORIStNewColorScale& Scale(const ZORScriptReply& reply) const;
  // Makes `scale` the run's newest and current scale; its number.
  int Add(ZORIStNewColorScale_var scale);
  std::size_t ScaleCount() const { return scales_.size(); }
  void Use(std::size_t number) { current_ = number; }
  // Releases the run's scales.
  void Clear();

 private:
  ZORModuleHost& host_;
  std::vector<ZORIStNewColorScale_var> scales_;
  std::size_t current_ = 0;  // 1-based; 0: no scale yet
};

// Reading a line gives the call that runs it; the call fills the reply.
using ZORScriptCall = std::function<void(ZORScriptContext&, ZORScriptReply&)>;
struct ZORScriptCommand {
  std::string name;
  std::function<ZORScriptCall(ZORScriptArguments&)> read;
};

// The argument kinds of the schemas. `what` names the argument in messages. An output argument
// left off takes its fallback.
namespace ZORScriptArgument {

struct Int {
  const char* what;
  int Read(ZORScriptArguments& a) const { return a.Int(what); }
};
struct Boolean {
  const char* what;
  ZORBoolean Read(ZORScriptArguments& a) const { return a.Boolean(what); }
};
struct Double {
  const char* what;
  double Read(ZORScriptArguments& a) const { return a.Double(what); }
};
struct IntList {
  const char* what;
  std::vector<int> Read(ZORScriptArguments& a) const { return a.IntList(what); }
};
struct DoubleList {
  const char* what;
  std::vector<double> Read(ZORScriptArguments& a) const { return a.DoubleList(what); }
};
struct Word {
  const char* what;
  std::string Read(ZORScriptArguments& a) const { return a.Word(what); }
};
struct OptionalInt {
  const char* what;
  int fallback = 0;
  int Read(ZORScriptArguments& a) const { return a.More() ? a.Int(what) : fallback; }
};
// An argument that may be left off, with no value standing for it then.
struct MaybeInt {
  const char* what;
  std::optional<int> Read(ZORScriptArguments& a) const {
    return a.More() ? std::optional<int>(a.Int(what)) : std::nullopt;
  }
};
struct OptionalBoolean {
  const char* what;
  ZORBoolean Read(ZORScriptArguments& a) const { return a.More() ? a.Boolean(what) : 0; }
};
struct OptionalDouble {
  const char* what;
  double Read(ZORScriptArguments& a) const { return a.More() ? a.Double(what) : 0.0; }
};
struct OptionalIntList {
  const char* what;
  std::vector<int> Read(ZORScriptArguments& a) const {
    return a.More() ? a.IntList(what) : std::vector<int>{};
  }
};
struct OptionalDoubleList {
  const char* what;
  std::vector<double> Read(ZORScriptArguments& a) const {
    return a.More() ? a.DoubleList(what) : std::vector<double>{};
  }
};
// An initial value, or `null` for a null pointer (nullopt); 0 when left off.
struct OptionalDoubleOrNull {
  const char* what;
  std::optional<double> Read(ZORScriptArguments& a) const {
    if (a.Take("null")) return std::nullopt;
    return a.More() ? a.Double(what) : 0.0;
  }
};
// A list, or `null` for an array that is not there.
struct IntListOrNull {
  const char* what;
  std::optional<std::vector<int>> Read(ZORScriptArguments& a) const {
    if (a.Take("null")) return std::nullopt;
    return a.Read(what, "a list of ints or null", &ZORReadIntList);
  }
};
struct DoubleListOrNull {
  const char* what;
  std::optional<std::vector<double>> Read(ZORScriptArguments& a) const {
    if (a.Take("null")) return std::nullopt;
    return a.Read(what, "a list of doubles or null", &ZORReadDoubleList);
  }
};

}  // namespace ZORScriptArgument

// A check of a whole line's values, after they are read: the problem, or nothing.
struct ZORScriptNoCheck {
  template <class... Values>
  std::optional<std::string> operator()(const Values&...) const {
    return std::nullopt;
  }
};

namespace ZORScriptSchema {

// Every argument in order, into a tuple (a braced list is evaluated left to right), then no
// word may be left.
template <class... Arguments>
auto ReadAll(ZORScriptArguments& words, const std::tuple<Arguments...>& schema) {
  auto values = std::apply(
      [&](const Arguments&... argument) { return std::tuple{argument.Read(words)...}; },
      schema);
  words.Done();
  return values;
}

// A command whose call gets its context: `call(context, reply, values...)`.
template <class... Arguments, class Check, class Call>
ZORScriptCommand Command(std::string name, std::tuple<Arguments...> schema, Check check,
                         Call call) {
  return {name, [schema, check, call](ZORScriptArguments& words) -> ZORScriptCall {
            auto values = ReadAll(words, schema);
            if (std::optional<std::string> problem = std::apply(check, values)) {
              words.Fail(*problem);
            }
            return [values = std::move(values), call](ZORScriptContext& context,
                                                      ZORScriptReply& reply) {
              std::apply([&](auto... value) { call(context, reply, std::move(value)...); },
                         values);
            };
          }};
}

template <class... Arguments, class Call>
ZORScriptCommand Command(std::string name, std::tuple<Arguments...> schema, Call call) {
  return Command(std::move(name), std::move(schema), ZORScriptNoCheck{}, std::move(call));
}

// An operation of the current scale: `call(scale, reply, values...)`, made only when the run
// has a scale.
template <class... Arguments, class Check, class Call>
ZORScriptCommand Operation(std::string name, std::tuple<Arguments...> schema, Check check,
                           Call call) {
  return Command(std::move(name), std::move(schema), std::move(check),
                 [call](ZORScriptContext& context, ZORScriptReply& reply, auto... values) {
                   call(context.Scale(reply), reply, std::move(values)...);
                 });
}

template <class... Arguments, class Call>
ZORScriptCommand Operation(std::string name, std::tuple<Arguments...> schema, Call call) {
  return Operation(std::move(name), std::move(schema), ZORScriptNoCheck{}, std::move(call));
}

}  // namespace ZORScriptSchema

// The commands, by concern.
std::vector<ZORScriptCommand> ZORScriptOptionCommands();  // options and plain values
std::vector<ZORScriptCommand> ZORScriptTableCommands();   // colors, boundaries, evaluation
std::vector<ZORScriptCommand> ZORScriptHostCommands();    // scales, settings, attributes
