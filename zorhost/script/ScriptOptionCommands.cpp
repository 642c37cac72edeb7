// Script commands for the scale's options and the plain values it keeps.
#include "zorhost/script/ScriptCommands.h"

namespace {

using namespace ZORScriptArgument;
using ZORScriptSchema::Operation;
using Scale = ZORIStNewColorScale;
using Reply = ZORScriptReply;

// Set<name> value -> code; Get<name> [initial] -> code value.
template <class T, class ValueArgument, class InitialArgument>
void AddOption(std::vector<ZORScriptCommand>& commands, const std::string& name,
               HRESULT (Scale::*set)(T), HRESULT (Scale::*get)(T&)) {
  commands.push_back(Operation("Set" + name, std::tuple{ValueArgument{"the value"}},
                               [set](Scale& scale, Reply& reply, T value) {
                                 reply.Code((scale.*set)(value));
                               }));
  commands.push_back(Operation("Get" + name, std::tuple{InitialArgument{"the initial value"}},
                               [get](Scale& scale, Reply& reply, T value) {
                                 const HRESULT result = (scale.*get)(value);
                                 reply.Code(result).Int(value);
                               }));
}

void AddIntOption(std::vector<ZORScriptCommand>& commands, const std::string& name,
                  HRESULT (Scale::*set)(int), HRESULT (Scale::*get)(int&)) {
  AddOption<int, Int, OptionalInt>(commands, name, set, get);
}

void AddBooleanOption(std::vector<ZORScriptCommand>& commands, const std::string& name,
                      HRESULT (Scale::*set)(ZORBoolean), HRESULT (Scale::*get)(ZORBoolean&)) {
  AddOption<ZORBoolean, Boolean, OptionalBoolean>(commands, name, set, get);
}

}  // namespace

std::vector<ZORScriptCommand> ZORScriptOptionCommands() {
  std::vector<ZORScriptCommand> commands;
  AddIntOption(commands, "AutoMinMaxOption", &Scale::SetAutoMinMaxOption,
               &Scale::GetAutoMinMaxOption);
  AddBooleanOption(commands, "AutoMinMaxStatus", &Scale::SetAutoMinMaxStatus,
                   &Scale::GetAutoMinMaxStatus);
  AddIntOption(commands, "AbsoluteExtrema", &Scale::SetAbsoluteExtrema,
               &Scale::GetAbsoluteExtrema);
  AddIntOption(commands, "GreenIsFlat", &Scale::SetGreenIsFlat, &Scale::GetGreenIsFlat);
  AddBooleanOption(commands, "NumberOfColorsStatus", &Scale::SetNumberOfColorsStatus,
                   &Scale::GetNumberOfColorsStatus);
  AddIntOption(commands, "NonlinearScale", &Scale::SetNonlinearScale, &Scale::GetNonlinearScale);

  commands.push_back(Operation("SetNumberOfBlocks", std::tuple{Int{"the count"}},
                               [](Scale& scale, Reply& reply, int count) {
                                 reply.Code(scale.SetNumberOfBlocks(count));
                               }));
  commands.push_back(Operation("GetNumberOfBlocks", std::tuple{OptionalInt{"the initial value"}},
                               [](Scale& scale, Reply& reply, int count) {
                                 const HRESULT result = scale.GetNumberOfBlocks(count);
                                 reply.Code(result).Int(count);
                               }));
  commands.push_back(Operation(
      "GetOptions",
      std::tuple{OptionalBoolean{"an initial value"}, OptionalBoolean{"an initial value"},
                 OptionalBoolean{"an initial value"}, OptionalBoolean{"an initial value"}},
      [](Scale& scale, Reply& reply, ZORBoolean nonlinear, ZORBoolean absolute,
         ZORBoolean greenIsFlat, ZORBoolean colorsStatus) {
        scale.GetOptions(nonlinear, absolute, greenIsFlat, colorsStatus);
        reply.Int(nonlinear).Int(absolute).Int(greenIsFlat).Int(colorsStatus);
      }));
  commands.push_back(Operation(
      "SetColorUndefine",
      std::tuple{Int{"a component"}, Int{"a component"}, Int{"a component"}, Int{"a component"}},
      [](Scale& scale, Reply& reply, int red, int green, int blue, int alpha) {
        reply.Code(scale.SetColorUndefine(red, green, blue, alpha));
      }));
  commands.push_back(Operation(
      "GetColorUndefine",
      std::tuple{OptionalInt{"an initial value"}, OptionalInt{"an initial value"},
                 OptionalInt{"an initial value"}, OptionalInt{"an initial value"}},
      [](Scale& scale, Reply& reply, int red, int green, int blue, int alpha) {
        const HRESULT result = scale.GetColorUndefine(red, green, blue, alpha);
        reply.Code(result).Int(red).Int(green).Int(blue).Int(alpha);
      }));

  commands.push_back(Operation("SetTolerance", std::tuple{Double{"the tolerance"}},
                               [](Scale& scale, Reply& reply, double tolerance) {
                                 reply.Code(scale.SetTolerance(tolerance));
                               }));
  commands.push_back(
      Operation("Reserved", std::tuple{}, [](Scale& scale, Reply&) { scale.Reserved(); }));
  commands.push_back(Operation("Update", std::tuple{},
                               [](Scale& scale, Reply& reply) { reply.Code(scale.Update()); }));
  commands.push_back(Operation("SaveToSettings", std::tuple{Word{"the repository name"}},
                               [](Scale& scale, Reply& reply, std::string name) {
                                 reply.Int(scale.SaveToSettings(ZORUnicodeString(name)));
                               }));
  commands.push_back(Operation("LoadFromSettings", std::tuple{Word{"the repository name"}},
                               [](Scale& scale, Reply& reply, std::string name) {
                                 reply.Int(scale.LoadFromSettings(ZORUnicodeString(name)));
                               }));
  commands.push_back(Operation(
      "SetCurvatureLimits",
      std::tuple{Double{"a curvature limit"}, Double{"a curvature limit"},
                 Double{"a curvature limit"}, Double{"a curvature limit"}},
      [](Scale& scale, Reply&, double minNegative, double maxNegative, double minPositive,
         double maxPositive) {
        scale.SetCurvatureLimits(minNegative, maxNegative, minPositive, maxPositive);
      }));
  commands.push_back(Operation(
      "GetCurvatureLimits",
      std::tuple{OptionalDouble{"an initial value"}, OptionalDouble{"an initial value"},
                 OptionalDouble{"an initial value"}, OptionalDouble{"an initial value"}},
      [](Scale& scale, Reply& reply, double minNegative, double maxNegative, double minPositive,
         double maxPositive) {
        scale.GetCurvatureLimits(&minNegative, &maxNegative, &minPositive, &maxPositive);
        reply.Double(minNegative).Double(maxNegative).Double(minPositive).Double(maxPositive);
      }));
  commands.push_back(Operation("SetValueRange",
                               std::tuple{Double{"the minimum"}, Double{"the maximum"}},
                               [](Scale& scale, Reply&, double minimum, double maximum) {
                                 scale.SetValueRange(minimum, maximum);
                               }));
  commands.push_back(Operation(
      "GetValueRange",
      std::tuple{OptionalDouble{"the initial minimum"}, OptionalDouble{"the initial maximum"}},
      [](Scale& scale, Reply& reply, double minimum, double maximum) {
        scale.GetValueRange(&minimum, &maximum);
        reply.Double(minimum).Double(maximum);
      }));
  commands.push_back(Operation("IsStateFlagClear", std::tuple{}, [](Scale& scale, Reply& reply) {
    reply.Int(scale.IsStateFlagClear());
  }));
  commands.push_back(Operation(
      "GetIntDoublePair",
      std::tuple{OptionalInt{"an initial int"}, OptionalDouble{"an initial double"}},
      [](Scale& scale, Reply& reply, int integer, double real) {
        scale.GetIntDoublePair(&integer, &real);
        reply.Int(integer).Double(real);
      }));
  commands.push_back(Operation("SetIntDoublePair",
                               std::tuple{Int{"the int"}, Double{"the double"}},
                               [](Scale& scale, Reply&, int integer, double real) {
                                 scale.SetIntDoublePair(&integer, &real);
                               }));
  commands.push_back(Operation(
      "GetFiveInts",
      std::tuple{OptionalInt{"an initial value"}, OptionalInt{"an initial value"},
                 OptionalInt{"an initial value"}, OptionalInt{"an initial value"},
                 OptionalInt{"an initial value"}},
      [](Scale& scale, Reply& reply, int first, int second, int third, int fourth, int fifth) {
        scale.GetFiveInts(&first, &second, &third, &fourth, &fifth);
        reply.Int(first).Int(second).Int(third).Int(fourth).Int(fifth);
      }));
  commands.push_back(Operation(
      "SetFiveInts",
      std::tuple{Int{"an int"}, Int{"an int"}, Int{"an int"}, Int{"an int"}, Int{"an int"}},
      [](Scale& scale, Reply&, int first, int second, int third, int fourth, int fifth) {
        scale.SetFiveInts(&first, &second, &third, &fourth, &fifth);
      }));
  return commands;
}
