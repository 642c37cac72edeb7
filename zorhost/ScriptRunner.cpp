#include "zorhost/ScriptRunner.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

#include "zor/ZORSettingRepository.h"
#include "zorhost/ScriptValues.h"

namespace values = ZORScriptValues;

namespace {

// What is wrong with a line; reported with its number, and the line is not run.
struct LineError {
  std::string what;
};

using IntSetter = HRESULT (ZORIStNewColorScale::*)(int);
using IntGetter = HRESULT (ZORIStNewColorScale::*)(int&);
using BooleanSetter = HRESULT (ZORIStNewColorScale::*)(ZORBoolean);
using BooleanGetter = HRESULT (ZORIStNewColorScale::*)(ZORBoolean&);

std::vector<int> ToVector(const ZORRawCollint& list) { return {list.begin(), list.end()}; }
std::vector<double> ToVector(const ZORRawColldouble& list) { return {list.begin(), list.end()}; }

template <class T>
ZORRawColl<T> ToList(const std::vector<T>& values) {
  ZORRawColl<T> list;
  for (T value : values) list.Append(value);
  return list;
}

// One output line: the command's name, then each item after a space.
class Line {
 public:
  explicit Line(std::string_view name) : text_(name) {}
  Line& operator<<(const std::string& item) {
    text_ += ' ';
    text_ += item;
    return *this;
  }
  Line& Code(HRESULT result) { return *this << values::Code(result); }
  Line& Int(int value) { return *this << std::to_string(value); }
  Line& Double(double value) { return *this << values::Double(value); }
  Line& Ints(const std::vector<int>& list) { return *this << values::IntList(list); }
  Line& Doubles(const std::vector<double>& list) { return *this << values::DoubleList(list); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace

// The words of a line after its command, read in order.
class ZORScriptRunner::Arguments {
 private:
  // The next word read by `read`; a line error when it is missing or not of that form.
  template <class Reader>
  auto Required(const char* what, const char* form, Reader read) {
    if (!More()) Fail(std::string("missing ") + what + " (" + form + ")");
    std::string_view word = words_[next_];
    auto value = read(word);
    if (!value) {
      Fail(std::string(what) + " '" + std::string(word.substr(0, 40)) +
           (word.size() > 40 ? "..." : "") + "' is not " + form);
    }
    ++next_;
    return *value;
  }


 public:
  Arguments(std::string_view command, std::vector<std::string_view> words)
      : command_(command), words_(std::move(words)) {}

  std::string_view Command() const { return command_; }
  bool More() const { return next_ < words_.size(); }
  std::size_t Remaining() const { return words_.size() - next_; }

  int Int(const char* what) { return Required(what, "an int", &values::ReadInt); }
  ZORBoolean Boolean(const char* what) {
    return Required(what, "a boolean (0 to 255)", &values::ReadBoolean);
  }
  double Double(const char* what) { return Required(what, "a double", &values::ReadDouble); }
  std::vector<int> IntList(const char* what) {
    return Required(what, "a list of ints", &values::ReadIntList);
  }
  std::vector<double> DoubleList(const char* what) {
    return Required(what, "a list of doubles", &values::ReadDoubleList);
  }
  std::string Word(const char* what) {
    if (!More()) Fail(std::string("missing ") + what);
    return std::string(words_[next_++]);
  }

  // An output argument: its initial value when given, else `fallback`.
  int OptionalInt(const char* what, int fallback = 0) { return More() ? Int(what) : fallback; }
  ZORBoolean OptionalBoolean(const char* what) { return More() ? Boolean(what) : ZORBoolean{0}; }
  double OptionalDouble(const char* what) { return More() ? Double(what) : 0.0; }
  std::vector<int> OptionalIntList(const char* what) {
    return More() ? IntList(what) : std::vector<int>{};
  }
  std::vector<double> OptionalDoubleList(const char* what) {
    return More() ? DoubleList(what) : std::vector<double>{};
  }
  // An initial value, or `null` for a null pointer (nullopt); 0 when left off.
  std::optional<double> OptionalDoubleOrNull(const char* what) {
    if (More() && words_[next_] == "null") {
      ++next_;
      return std::nullopt;
    }
    return OptionalDouble(what);
  }
  // A list, or `null` for an array that is not there.
  template <class T, class Reader>
  std::optional<std::vector<T>> ListOrNull(const char* what, const char* form, Reader read) {
    if (More() && words_[next_] == "null") {
      ++next_;
      return std::nullopt;
    }
    return Required(what, form, read);
  }

  // No argument may be left over.
  void Done() {
    if (More()) {
      Fail("too many arguments ('" + std::string(words_[next_].substr(0, 40)) + "' and after)");
    }
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw LineError{std::string(command_) + ": " + what};
  }

 private:
  std::string_view command_;
  std::vector<std::string_view> words_;
  std::size_t next_ = 0;
};

ZORScriptRunner::ZORScriptRunner(ZORModuleHost& host, std::ostream& out, std::ostream& err)
    : host_(host), out_(out), err_(err) {
  DefineOperations();
  DefineHostCommands();
}

ZORScriptRunner::~ZORScriptRunner() = default;

void ZORScriptRunner::Reset() {
  scales_.clear();
  current_ = 0;
  commandsRun_ = 0;
}

void ZORScriptRunner::Print(const std::string& line) {
  out_ << line << '\n';
  out_.flush();
  ++commandsRun_;
}

ZORIStNewColorScale* ZORScriptRunner::Scale(const Arguments& arguments) {
  if (current_ == 0) arguments.Fail("there is no color scale yet: make one with 'new'");
  return scales_[current_ - 1].get();
}

int ZORScriptRunner::Run(std::istream& script) {
  std::string text;
  for (int number = 1;; ++number) {
    // Read one line, refusing one longer than the limit before holding it all.
    text.clear();
    bool ended = true;
    for (int c; (c = script.get()) != std::char_traits<char>::eof();) {
      ended = false;
      if (c == '\n') break;
      text.push_back(static_cast<char>(c));
      if (text.size() > kMaximumLineLength) {
        err_ << "zorhost: line " << number << ": the line is longer than 16 MiB\n";
        return kBadLine;
      }
    }
    if (ended && text.empty()) return kEveryLineRan;
    // A Windows line end is accepted.
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::vector<std::string_view> words;
    std::string_view rest(text);
    while (!rest.empty()) {
      std::size_t start = rest.find_first_not_of(" \t");
      if (start == std::string_view::npos) break;
      rest.remove_prefix(start);
      std::size_t end = rest.find_first_of(" \t");
      words.push_back(rest.substr(0, end));
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    if (words.empty() || words.front().front() == '#') continue;
    try {
      if (text.find('\0') != std::string::npos) throw LineError{"the line holds a NUL byte"};
      std::string_view command = words.front();
      Arguments arguments(command, std::vector<std::string_view>(words.begin() + 1, words.end()));
      RunLine(command, arguments);
    } catch (const LineError& error) {
      err_ << "zorhost: line " << number << ": " << error.what << '\n';
      err_.flush();
      return kBadLine;
    }
  }
}

void ZORScriptRunner::RunLine(std::string_view command, Arguments& arguments) {
  auto found = commands_.find(command);
  if (found == commands_.end()) {
    throw LineError{"unknown command '" + std::string(command.substr(0, 40)) + "'"};
  }
  found->second(arguments);
}

void ZORScriptRunner::DefineOperations() {
  auto intOption = [this](const char* name, IntSetter set, IntGetter get) {
    commands_[std::string("Set") + name] = [this, set](Arguments& a) {
      const int value = a.Int("the value");
      a.Done();
      HRESULT result = (Scale(a)->*set)(value);
      Print(Line(a.Command()).Code(result).Text());
    };
    commands_[std::string("Get") + name] = [this, get](Arguments& a) {
      int value = a.OptionalInt("the initial value");
      a.Done();
      HRESULT result = (Scale(a)->*get)(value);
      Print(Line(a.Command()).Code(result).Int(value).Text());
    };
  };
  auto booleanOption = [this](const char* name, BooleanSetter set, BooleanGetter get) {
    commands_[std::string("Set") + name] = [this, set](Arguments& a) {
      const ZORBoolean value = a.Boolean("the value");
      a.Done();
      HRESULT result = (Scale(a)->*set)(value);
      Print(Line(a.Command()).Code(result).Text());
    };
    commands_[std::string("Get") + name] = [this, get](Arguments& a) {
      ZORBoolean value = a.OptionalBoolean("the initial value");
      a.Done();
      HRESULT result = (Scale(a)->*get)(value);
      Print(Line(a.Command()).Code(result).Int(value).Text());
    };
  };
  using S = ZORIStNewColorScale;
  intOption("AutoMinMaxOption", &S::SetAutoMinMaxOption, &S::GetAutoMinMaxOption);
  booleanOption("AutoMinMaxStatus", &S::SetAutoMinMaxStatus, &S::GetAutoMinMaxStatus);
  intOption("AbsoluteExtrema", &S::SetAbsoluteExtrema, &S::GetAbsoluteExtrema);
  intOption("GreenIsFlat", &S::SetGreenIsFlat, &S::GetGreenIsFlat);
  booleanOption("NumberOfColorsStatus", &S::SetNumberOfColorsStatus, &S::GetNumberOfColorsStatus);
  intOption("NonlinearScale", &S::SetNonlinearScale, &S::GetNonlinearScale);

  commands_["SetTolerance"] = [this](Arguments& a) {
    const double tolerance = a.Double("the tolerance");
    a.Done();
    Print(Line(a.Command()).Code(Scale(a)->SetTolerance(tolerance)).Text());
  };
  commands_["Reserved"] = [this](Arguments& a) {
    a.Done();
    Scale(a)->Reserved();
    Print(Line(a.Command()).Text());
  };
  commands_["Update"] = [this](Arguments& a) {
    a.Done();
    Print(Line(a.Command()).Code(Scale(a)->Update()).Text());
  };
  commands_["SaveToSettings"] = [this](Arguments& a) {
    const ZORUnicodeString name(a.Word("the repository name"));
    a.Done();
    Print(Line(a.Command()).Int(Scale(a)->SaveToSettings(name)).Text());
  };
  commands_["LoadFromSettings"] = [this](Arguments& a) {
    const ZORUnicodeString name(a.Word("the repository name"));
    a.Done();
    Print(Line(a.Command()).Int(Scale(a)->LoadFromSettings(name)).Text());
  };
  commands_["GetOptions"] = [this](Arguments& a) {
    ZORBoolean flags[4];
    for (ZORBoolean& flag : flags) flag = a.OptionalBoolean("an initial value");
    a.Done();
    Scale(a)->GetOptions(flags[0], flags[1], flags[2], flags[3]);
    Print(Line(a.Command()).Int(flags[0]).Int(flags[1]).Int(flags[2]).Int(flags[3]).Text());
  };
  commands_["SetCurvatureLimits"] = [this](Arguments& a) {
    double limits[4];
    for (double& limit : limits) limit = a.Double("a curvature limit");
    a.Done();
    Scale(a)->SetCurvatureLimits(limits[0], limits[1], limits[2], limits[3]);
    Print(Line(a.Command()).Text());
  };
  commands_["GetCurvatureLimits"] = [this](Arguments& a) {
    double limits[4];
    for (double& limit : limits) limit = a.OptionalDouble("an initial value");
    a.Done();
    Scale(a)->GetCurvatureLimits(&limits[0], &limits[1], &limits[2], &limits[3]);
    Print(Line(a.Command()).Double(limits[0]).Double(limits[1]).Double(limits[2]).Double(limits[3]).Text());
  };
  commands_["SetValueRange"] = [this](Arguments& a) {
    const double minimum = a.Double("the minimum");
    const double maximum = a.Double("the maximum");
    a.Done();
    Scale(a)->SetValueRange(minimum, maximum);
    Print(Line(a.Command()).Text());
  };
  commands_["IsStateFlagClear"] = [this](Arguments& a) {
    a.Done();
    Print(Line(a.Command()).Int(Scale(a)->IsStateFlagClear()).Text());
  };
  commands_["GetScaleDefinition"] = [this](Arguments& a) {
    int colorCount = a.Int("the color count");
    int valueCount = a.Int("the value count");
    std::optional<double> minimum = a.OptionalDoubleOrNull("the minimum");
    std::optional<double> maximum = a.OptionalDoubleOrNull("the maximum");
    a.Done();
    if (colorCount > kMaximumArrayCount || valueCount > kMaximumArrayCount) {
      a.Fail("a count above " + std::to_string(kMaximumArrayCount) +
             " is more than the runner hands out");
    }
    // Arrays of the counts, every entry 0; a count below 1 gives an empty array that is still a
    // valid pointer.
    auto size = [](int count) { return static_cast<std::size_t>(std::max(count, 0)); };
    std::vector<int> colors[5];
    for (std::vector<int>& array : colors) array.assign(size(colorCount) + 1, 0);
    std::vector<double> boundaries(size(valueCount) + 1, 0.0);
    std::vector<int> boundaryIndices(size(valueCount) + 1, 0);
    int* colorPointers[5];
    for (int c = 0; c < 5; ++c) colorPointers[c] = colors[c].data();
    double* boundaryPointer = boundaries.data();
    int* boundaryIndexPointer = boundaryIndices.data();
    const int result = Scale(a)->GetScaleDefinition(
        &colorCount, &colorPointers[0], &colorPointers[1], &colorPointers[2], &colorPointers[3],
        &colorPointers[4], &valueCount, &boundaryPointer, &boundaryIndexPointer,
        minimum ? &*minimum : nullptr, maximum ? &*maximum : nullptr);
    Line line(a.Command());
    line.Int(result);
    for (std::vector<int>& array : colors) {
      array.pop_back();
      line.Ints(array);
    }
    boundaries.pop_back();
    boundaryIndices.pop_back();
    line.Doubles(boundaries).Ints(boundaryIndices);
    line << (minimum ? values::Double(*minimum) : "null");
    line << (maximum ? values::Double(*maximum) : "null");
    Print(line.Text());
  };
  commands_["SetColorUndefine"] = [this](Arguments& a) {
    int color[4];
    for (int& component : color) component = a.Int("a component");
    a.Done();
    Print(Line(a.Command()).Code(Scale(a)->SetColorUndefine(color[0], color[1], color[2], color[3])).Text());
  };
  commands_["GetColorUndefine"] = [this](Arguments& a) {
    int color[4];
    for (int& component : color) component = a.OptionalInt("an initial value");
    a.Done();
    HRESULT result = Scale(a)->GetColorUndefine(color[0], color[1], color[2], color[3]);
    Print(Line(a.Command()).Code(result).Int(color[0]).Int(color[1]).Int(color[2]).Int(color[3]).Text());
  };
  commands_["SetImposedValue"] = [this](Arguments& a) {
    const int position = a.Int("the position");
    const double value = a.Double("the value");
    a.Done();
    Scale(a)->SetImposedValue(position, value);
    Print(Line(a.Command()).Text());
  };
  commands_["GetIntDoublePair"] = [this](Arguments& a) {
    int integer = a.OptionalInt("an initial int");
    double real = a.OptionalDouble("an initial double");
    a.Done();
    Scale(a)->GetIntDoublePair(&integer, &real);
    Print(Line(a.Command()).Int(integer).Double(real).Text());
  };
  commands_["SetIntDoublePair"] = [this](Arguments& a) {
    int integer = a.Int("the int");
    double real = a.Double("the double");
    a.Done();
    Scale(a)->SetIntDoublePair(&integer, &real);
    Print(Line(a.Command()).Text());
  };
  commands_["GetFiveInts"] = [this](Arguments& a) {
    int five[5];
    for (int& value : five) value = a.OptionalInt("an initial value");
    a.Done();
    Scale(a)->GetFiveInts(&five[0], &five[1], &five[2], &five[3], &five[4]);
    Line line(a.Command());
    for (int value : five) line.Int(value);
    Print(line.Text());
  };
  commands_["SetFiveInts"] = [this](Arguments& a) {
    int five[5];
    for (int& value : five) value = a.Int("an int");
    a.Done();
    Scale(a)->SetFiveInts(&five[0], &five[1], &five[2], &five[3], &five[4]);
    Print(Line(a.Command()).Text());
  };
  commands_["SetNumberOfBlocks"] = [this](Arguments& a) {
    const int count = a.Int("the count");
    a.Done();
    Print(Line(a.Command()).Code(Scale(a)->SetNumberOfBlocks(count)).Text());
  };
  commands_["GetNumberOfBlocks"] = [this](Arguments& a) {
    int count = a.OptionalInt("the initial value");
    a.Done();
    HRESULT result = Scale(a)->GetNumberOfBlocks(count);
    Print(Line(a.Command()).Code(result).Int(count).Text());
  };
  commands_["SetColors"] = [this](Arguments& a) {
    const int count = a.Int("the count");
    ZORRawCollint lists[6];
    const char* names[6] = {"the index list", "the red list",   "the green list",
                            "the blue list",  "the alpha list", "the type list"};
    for (int l = 0; l < 6; ++l) lists[l] = ToList(a.IntList(names[l]));
    a.Done();
    HRESULT result = Scale(a)->SetColors(count, &lists[0], &lists[1], &lists[2], &lists[3],
                                         &lists[4], &lists[5]);
    Print(Line(a.Command()).Code(result).Text());
  };
  commands_["GetColors"] = [this](Arguments& a) {
    int count = a.Int("the count");
    ZORRawCollint lists[6];
    for (ZORRawCollint& list : lists) list = ToList(a.OptionalIntList("an initial list"));
    a.Done();
    HRESULT result = Scale(a)->GetColors(&count, &lists[0], &lists[1], &lists[2], &lists[3],
                                         &lists[4], &lists[5]);
    Line line(a.Command());
    line.Code(result).Int(count);
    for (const ZORRawCollint& list : lists) line.Ints(ToVector(list));
    Print(line.Text());
  };
  auto unset = [this](Arguments& a, void (ZORIStNewColorScale::*operation)(const int*, int)) {
    const std::vector<int> positions = a.IntList("the positions");
    const int count = a.OptionalInt("the count", static_cast<int>(positions.size()));
    a.Done();
    if (count > static_cast<int>(positions.size())) {
      a.Fail("the count " + std::to_string(count) + " is above the " +
             std::to_string(positions.size()) + " positions given");
    }
    const int none = 0;
    (Scale(a)->*operation)(positions.empty() ? &none : positions.data(), count);
    Print(Line(a.Command()).Text());
  };
  commands_["UnsetImposedColors"] = [unset](Arguments& a) {
    unset(a, &ZORIStNewColorScale::UnsetImposedColors);
  };
  commands_["SetColor"] = [this](Arguments& a) {
    const int position = a.Int("the position");
    int color[4];
    for (int& component : color) component = a.Int("a component");
    a.Done();
    Scale(a)->SetColor(position, color[0], color[1], color[2], color[3]);
    Print(Line(a.Command()).Text());
  };
  commands_["GetImposedColorsIndexList"] = [this](Arguments& a) {
    ZORRawCollint list = ToList(a.OptionalIntList("the initial list"));
    a.Done();
    Scale(a)->GetImposedColorsIndexList(&list);
    Print(Line(a.Command()).Ints(ToVector(list)).Text());
  };
  commands_["SetImposedValues"] = [this](Arguments& a) {
    const int count = a.Int("the count");
    const std::vector<int> positions = a.IntList("the position list");
    const std::vector<double> boundaryValues = a.DoubleList("the value list");
    const std::vector<int> types = a.IntList("the type list");
    a.Done();
    for (std::size_t size : {positions.size(), boundaryValues.size(), types.size()}) {
      if (count > 0 && size < static_cast<std::size_t>(count)) {
        a.Fail("a list holds " + std::to_string(size) + " entries, fewer than the count " +
               std::to_string(count));
      }
    }
    ZORRawCollint positionList = ToList(positions), typeList = ToList(types);
    ZORRawColldouble valueList = ToList(boundaryValues);
    Print(Line(a.Command())
              .Code(Scale(a)->SetImposedValues(count, &positionList, &valueList, &typeList))
              .Text());
  };
  commands_["GetImposedValues"] = [this](Arguments& a) {
    int count = a.OptionalInt("the initial count");
    ZORRawCollint indices = ToList(a.OptionalIntList("the initial index list"));
    ZORRawColldouble boundaryValues = ToList(a.OptionalDoubleList("the initial value list"));
    ZORRawCollint types = ToList(a.OptionalIntList("the initial type list"));
    a.Done();
    HRESULT result = Scale(a)->GetImposedValues(&count, &indices, &boundaryValues, &types);
    Print(Line(a.Command())
              .Code(result)
              .Int(count)
              .Ints(ToVector(indices))
              .Doubles(ToVector(boundaryValues))
              .Ints(ToVector(types))
              .Text());
  };
  commands_["UnsetImposedValues"] = [unset](Arguments& a) {
    unset(a, &ZORIStNewColorScale::UnsetImposedValues);
  };
  commands_["SetFirstImposedValue"] = [this](Arguments& a) {
    const double value = a.Double("the value");
    a.Done();
    Print(Line(a.Command()).Int(Scale(a)->SetFirstImposedValue(value)).Text());
  };
  commands_["SetLastImposedValue"] = [this](Arguments& a) {
    const double value = a.Double("the value");
    a.Done();
    Print(Line(a.Command()).Int(Scale(a)->SetLastImposedValue(value)).Text());
  };
  commands_["SetExtremeImposedValues"] = [this](Arguments& a) {
    const double first = a.Double("the first value");
    const double last = a.Double("the last value");
    a.Done();
    Scale(a)->SetExtremeImposedValues(first, last);
    Print(Line(a.Command()).Text());
  };
  commands_["GetExtremeImposedValues"] = [this](Arguments& a) {
    double first = a.OptionalDouble("the initial first value");
    double last = a.OptionalDouble("the initial last value");
    a.Done();
    Scale(a)->GetExtremeImposedValues(&first, &last);
    Print(Line(a.Command()).Double(first).Double(last).Text());
  };
  commands_["GetValueRange"] = [this](Arguments& a) {
    double minimum = a.OptionalDouble("the initial minimum");
    double maximum = a.OptionalDouble("the initial maximum");
    a.Done();
    Scale(a)->GetValueRange(&minimum, &maximum);
    Print(Line(a.Command()).Double(minimum).Double(maximum).Text());
  };
  commands_["GetColorTable"] = [this](Arguments& a) {
    ZORRawCollint lists[5];
    for (ZORRawCollint& list : lists) list = ToList(a.OptionalIntList("an initial list"));
    a.Done();
    Scale(a)->GetColorTable(&lists[0], &lists[1], &lists[2], &lists[3], &lists[4]);
    Line line(a.Command());
    for (const ZORRawCollint& list : lists) line.Ints(ToVector(list));
    Print(line.Text());
  };
  commands_["GetValueTable"] = [this](Arguments& a) {
    ZORRawColldouble table = ToList(a.OptionalDoubleList("the initial value list"));
    ZORRawCollint indices = ToList(a.OptionalIntList("the initial index list"));
    std::optional<double> minimum = a.OptionalDoubleOrNull("the minimum");
    std::optional<double> maximum = a.OptionalDoubleOrNull("the maximum");
    a.Done();
    Scale(a)->GetValueTable(&table, &indices, minimum ? &*minimum : nullptr,
                            maximum ? &*maximum : nullptr);
    Line line(a.Command());
    line.Doubles(ToVector(table)).Ints(ToVector(indices));
    line << (minimum ? values::Double(*minimum) : "null");
    line << (maximum ? values::Double(*maximum) : "null");
    Print(line.Text());
  };
  commands_["GetColorForValue"] = [this](Arguments& a) {
    const double value = a.Double("the value");
    int color[4];
    for (int& component : color) component = a.OptionalInt("an initial component");
    a.Done();
    const int block = Scale(a)->GetColorForValue(value, &color[0], &color[1], &color[2], &color[3]);
    Print(Line(a.Command()).Int(block).Int(color[0]).Int(color[1]).Int(color[2]).Int(color[3]).Text());
  };
}

void ZORScriptRunner::DefineHostCommands() {
  commands_["new"] = [this](Arguments& a) {
    a.Done();
    ZORIStNewColorScale_var scale = host_.NewScale();
    if (!scale) {
      Print("new empty");
      return;
    }
    scales_.push_back(std::move(scale));
    current_ = scales_.size();
    Print("new " + std::to_string(current_));
  };
  commands_["use"] = [this](Arguments& a) {
    const int k = a.Int("the scale number");
    a.Done();
    if (k < 1 || static_cast<std::size_t>(k) > scales_.size()) {
      a.Fail("there is no scale " + std::to_string(k) + " (this run has made " +
             std::to_string(scales_.size()) + ")");
    }
    current_ = static_cast<std::size_t>(k);
    Print("use " + std::to_string(k));
  };
  commands_["legacy"] = [this](Arguments& a) {
    ZORLegacyScaleData data;
    data.blockCount = a.Int("the block count");
    auto ints = [&a](const char* what) {
      return a.ListOrNull<int>(what, "a list of ints or null", &values::ReadIntList);
    };
    data.red = ints("the red array");
    data.green = ints("the green array");
    data.blue = ints("the blue array");
    data.alpha = ints("the alpha array");
    data.imposedColorIndices = ints("the color index array");
    data.values = a.ListOrNull<double>("the value array", "a list of doubles or null",
                                       &values::ReadDoubleList);
    data.imposedValueIndices = ints("the value index array");
    a.Done();
    // The legacy scale hands out arrays of its block count (padding short ones).
    if (data.blockCount > kMaximumArrayCount) {
      a.Fail("a block count above " + std::to_string(kMaximumArrayCount) +
             " is more than the runner hands out");
    }
    ZORIStLegacyColorScale_var legacy = ZORMakeLegacyColorScale(std::move(data));
    ZORIStNewColorScale_var result;
    HRESULT code = host_.Factory()->CreateFromLegacyColorScale(legacy, result);
    Line line(a.Command());
    line.Code(code);
    if (!result) {
      Print((line << "none").Text());
      return;
    }
    scales_.push_back(std::move(result));
    current_ = scales_.size();
    Print(line.Int(static_cast<int>(current_)).Text());
  };
  commands_["settings-show"] = [this](Arguments& a) {
    const std::string name = a.Word("the repository name");
    a.Done();
    std::vector<ZORSettingEntry> entries;
    std::string problem;
    const int found = ZORReadRepositoryFile(name, entries, problem);
    if (found < 0) a.Fail(problem);
    Line line(a.Command());
    line << name;
    if (found == 0) {
      Print((line << "none").Text());
      return;
    }
    for (const ZORSettingEntry& entry : entries) {
      line << entry.key + "=" +
                  (entry.isDouble ? values::DoubleList(entry.doubles) : values::IntList(entry.integers));
    }
    Print(line.Text());
  };
  commands_["settings-write"] = [this](Arguments& a) {
    const std::string name = a.Word("the repository name");
    const std::string key = a.Word("the key");
    const std::string type = a.Word("the type (int or double)");
    std::vector<int> integers;
    std::vector<double> doubles;
    if (type == "int") {
      integers = a.IntList("the values");
    } else if (type == "double") {
      doubles = a.DoubleList("the values");
    } else {
      a.Fail("the type '" + type.substr(0, 40) + "' is neither int nor double");
    }
    a.Done();
    if (std::string why = ZORCheckRepositoryName(name); !why.empty()) {
      a.Fail("repository name refused: " + why);
    }
    ZORSettingRepository* repository =
        ZORSettingRepository::GetRepository(name.c_str(), 0, ZORSettingRepository::ReadWrite, nullptr);
    if (repository == nullptr) a.Fail("the repository '" + name + "' cannot be had");
    const HRESULT written =
        type == "int" ? repository->WriteSetting(key.c_str(), integers.data(),
                                                 static_cast<long>(integers.size()), 0)
                      : repository->WriteSetting(key.c_str(), doubles.data(),
                                                 static_cast<long>(doubles.size()), 0);
    if (FAILED(written)) a.Fail("the key '" + key.substr(0, 40) + "' cannot be stored");
    if (FAILED(repository->SaveRepository(nullptr))) a.Fail("the repository could not be saved");
    Print("settings-write " + name + " " + key);
  };
  commands_["feature-show"] = [this](Arguments& a) {
    const std::string key = a.Word("the attribute key");
    a.Done();
    ZORISpecObject_var feature(Scale(a));
    const ZORAttributeView view = ZORViewAttribute(feature.get(), key.c_str());
    Line line(a.Command());
    line << key;
    if (!view.defined) {
      line << "none";
    } else if (!view.hasValue) {
      line << "novalue";
    } else {
      std::string text;
      for (const ZORAttributeEntry& entry : view.entries) {
        if (!text.empty()) text += ',';
        switch (entry.kind) {
          case ZORAttributeEntry::Kind::Integer:
            text += std::to_string(entry.integer);
            break;
          case ZORAttributeEntry::Kind::Real:
            text += values::Double(entry.real);
            break;
          case ZORAttributeEntry::Kind::NoValue:
            text += "novalue";
            break;
        }
      }
      line << (view.isList ? "[" + text + "]" : text);
    }
    Print(line.Text());
  };
  commands_["feature-unset"] = [this](Arguments& a) {
    const std::string key = a.Word("the attribute key");
    a.Done();
    ZORISpecObject_var feature(Scale(a));
    ZORUnsetAttribute(feature.get(), key.c_str());
    Print("feature-unset " + key);
  };
  commands_["feature-undefine"] = [this](Arguments& a) {
    const std::string key = a.Word("the attribute key");
    a.Done();
    ZORISpecObject_var feature(Scale(a));
    ZORUndefineAttribute(feature.get(), key.c_str());
    Print("feature-undefine " + key);
  };
}
