// Script commands for the scale's colors and boundaries, its tables and its evaluation.
#include <algorithm>

#include "zorhost/script/ScriptCommands.h"
#include "zorhost/script/ScriptRunner.h"

namespace {

using namespace ZORScriptArgument;
using ZORScriptSchema::Operation;
using Scale = ZORIStNewColorScale;
using Reply = ZORScriptReply;

template <class T>
ZORRawColl<T> ToList(const std::vector<T>& values) {
  ZORRawColl<T> list;
  for (T value : values) list.Append(value);
  return list;
}

template <class T>
std::vector<T> ToVector(const ZORRawColl<T>& list) {
  return {list.begin(), list.end()};
}

std::string CountAbove(int count) {
  return "a count above " + std::to_string(count) + " is more than the runner hands out";
}

// UnsetImposedColors and UnsetImposedValues: positions, then a count that defaults to their
// number and may not exceed it.
ZORScriptCommand Unset(const char* name, void (Scale::*operation)(const int*, int)) {
  auto check = [](const std::vector<int>& positions,
                  const std::optional<int>& count) -> std::optional<std::string> {
    if (count && *count > static_cast<int>(positions.size())) {
      return "the count " + std::to_string(*count) + " is above the " +
             std::to_string(positions.size()) + " positions given";
    }
    return std::nullopt;
  };
  return Operation(name, std::tuple{IntList{"the positions"}, MaybeInt{"the count"}}, check,
                   [operation](Scale& scale, Reply&, std::vector<int> positions,
                               std::optional<int> count) {
                     const int none = 0;
                     (scale.*operation)(positions.empty() ? &none : positions.data(),
                                        count.value_or(static_cast<int>(positions.size())));
                   });
}

// The runner hands GetScaleDefinition arrays of the counts asked for, every entry 0; a count
// below 1 gives an empty array that is still a valid pointer.
void ScaleDefinition(Scale& scale, Reply& reply, int colorCount, int valueCount,
                     std::optional<double> minimum, std::optional<double> maximum) {
  auto size = [](int count) { return static_cast<std::size_t>(std::max(count, 0)) + 1; };
  std::vector<int> colors[5];
  for (std::vector<int>& array : colors) array.assign(size(colorCount), 0);
  std::vector<double> boundaries(size(valueCount), 0.0);
  std::vector<int> boundaryIndices(size(valueCount), 0);
  int* colorPointers[5];
  for (int c = 0; c < 5; ++c) colorPointers[c] = colors[c].data();
  double* boundaryPointer = boundaries.data();
  int* boundaryIndexPointer = boundaryIndices.data();
  const int result = scale.GetScaleDefinition(
      &colorCount, &colorPointers[0], &colorPointers[1], &colorPointers[2], &colorPointers[3],
      &colorPointers[4], &valueCount, &boundaryPointer, &boundaryIndexPointer,
      minimum ? &*minimum : nullptr, maximum ? &*maximum : nullptr);
  reply.Int(result);
  for (std::vector<int>& array : colors) {
    array.pop_back();
    reply.Ints(array);
  }
  boundaries.pop_back();
  boundaryIndices.pop_back();
  reply.Doubles(boundaries).Ints(boundaryIndices).DoubleOrNull(minimum).DoubleOrNull(maximum);
}

}  // namespace

std::vector<ZORScriptCommand> ZORScriptTableCommands() {
  constexpr int kMaximum = ZORScriptRunner::kMaximumArrayCount;
  std::vector<ZORScriptCommand> commands;

  // Colors.
  commands.push_back(Operation(
      "SetColors",
      std::tuple{Int{"the count"}, IntList{"the index list"}, IntList{"the red list"},
                 IntList{"the green list"}, IntList{"the blue list"}, IntList{"the alpha list"},
                 IntList{"the type list"}},
      [](Scale& scale, Reply& reply, int count, std::vector<int> index, std::vector<int> red,
         std::vector<int> green, std::vector<int> blue, std::vector<int> alpha,
         std::vector<int> types) {
        const ZORRawCollint lists[6] = {ToList(index), ToList(red),   ToList(green),
                                        ToList(blue),  ToList(alpha), ToList(types)};
        reply.Code(scale.SetColors(count, &lists[0], &lists[1], &lists[2], &lists[3], &lists[4],
                                   &lists[5]));
      }));
  commands.push_back(Operation(
      "GetColors",
      std::tuple{Int{"the count"}, OptionalIntList{"an initial list"},
                 OptionalIntList{"an initial list"}, OptionalIntList{"an initial list"},
                 OptionalIntList{"an initial list"}, OptionalIntList{"an initial list"},
                 OptionalIntList{"an initial list"}},
      [](Scale& scale, Reply& reply, int count, std::vector<int> index, std::vector<int> red,
         std::vector<int> green, std::vector<int> blue, std::vector<int> alpha,
         std::vector<int> types) {
        ZORRawCollint lists[6] = {ToList(index), ToList(red),   ToList(green),
                                  ToList(blue),  ToList(alpha), ToList(types)};
        const HRESULT result = scale.GetColors(&count, &lists[0], &lists[1], &lists[2],
                                               &lists[3], &lists[4], &lists[5]);
        reply.Code(result).Int(count);
        for (const ZORRawCollint& list : lists) reply.Ints(ToVector(list));
      }));
  commands.push_back(Unset("UnsetImposedColors", &Scale::UnsetImposedColors));
  commands.push_back(Operation(
      "SetColor",
      std::tuple{Int{"the position"}, Int{"a component"}, Int{"a component"}, Int{"a component"},
                 Int{"a component"}},
      [](Scale& scale, Reply&, int position, int red, int green, int blue, int alpha) {
        scale.SetColor(position, red, green, blue, alpha);
      }));
  commands.push_back(Operation("GetImposedColorsIndexList",
                               std::tuple{OptionalIntList{"the initial list"}},
                               [](Scale& scale, Reply& reply, std::vector<int> initial) {
                                 ZORRawCollint list = ToList(initial);
                                 scale.GetImposedColorsIndexList(&list);
                                 reply.Ints(ToVector(list));
                               }));

  // Boundaries.
  commands.push_back(Operation(
      "SetImposedValues",
      std::tuple{Int{"the count"}, IntList{"the position list"}, DoubleList{"the value list"},
                 IntList{"the type list"}},
      [](int count, const std::vector<int>& positions, const std::vector<double>& values,
         const std::vector<int>& types) -> std::optional<std::string> {
        for (std::size_t size : {positions.size(), values.size(), types.size()}) {
          if (count > 0 && size < static_cast<std::size_t>(count)) {
            return "a list holds " + std::to_string(size) + " entries, fewer than the count " +
                   std::to_string(count);
          }
        }
        return std::nullopt;
      },
      [](Scale& scale, Reply& reply, int count, std::vector<int> positions,
         std::vector<double> values, std::vector<int> types) {
        const ZORRawCollint positionList = ToList(positions), typeList = ToList(types);
        const ZORRawColldouble valueList = ToList(values);
        reply.Code(scale.SetImposedValues(count, &positionList, &valueList, &typeList));
      }));
  commands.push_back(Operation(
      "GetImposedValues",
      std::tuple{OptionalInt{"the initial count"}, OptionalIntList{"the initial index list"},
                 OptionalDoubleList{"the initial value list"},
                 OptionalIntList{"the initial type list"}},
      [](Scale& scale, Reply& reply, int count, std::vector<int> index, std::vector<double> values,
         std::vector<int> types) {
        ZORRawCollint indexList = ToList(index), typeList = ToList(types);
        ZORRawColldouble valueList = ToList(values);
        const HRESULT result = scale.GetImposedValues(&count, &indexList, &valueList, &typeList);
        reply.Code(result)
            .Int(count)
            .Ints(ToVector(indexList))
            .Doubles(ToVector(valueList))
            .Ints(ToVector(typeList));
      }));
  commands.push_back(Unset("UnsetImposedValues", &Scale::UnsetImposedValues));
  commands.push_back(Operation("SetImposedValue",
                               std::tuple{Int{"the position"}, Double{"the value"}},
                               [](Scale& scale, Reply&, int position, double value) {
                                 scale.SetImposedValue(position, value);
                               }));
  commands.push_back(Operation("SetFirstImposedValue", std::tuple{Double{"the value"}},
                               [](Scale& scale, Reply& reply, double value) {
                                 reply.Int(scale.SetFirstImposedValue(value));
                               }));
  commands.push_back(Operation("SetLastImposedValue", std::tuple{Double{"the value"}},
                               [](Scale& scale, Reply& reply, double value) {
                                 reply.Int(scale.SetLastImposedValue(value));
                               }));
  commands.push_back(Operation("SetExtremeImposedValues",
                               std::tuple{Double{"the first value"}, Double{"the last value"}},
                               [](Scale& scale, Reply&, double first, double last) {
                                 scale.SetExtremeImposedValues(first, last);
                               }));
  commands.push_back(Operation(
      "GetExtremeImposedValues",
      std::tuple{OptionalDouble{"the initial first value"},
                 OptionalDouble{"the initial last value"}},
      [](Scale& scale, Reply& reply, double first, double last) {
        scale.GetExtremeImposedValues(&first, &last);
        reply.Double(first).Double(last);
      }));

  // The tables and the scale at work.
  commands.push_back(Operation(
      "GetColorTable",
      std::tuple{OptionalIntList{"an initial list"}, OptionalIntList{"an initial list"},
                 OptionalIntList{"an initial list"}, OptionalIntList{"an initial list"},
                 OptionalIntList{"an initial list"}},
      [](Scale& scale, Reply& reply, std::vector<int> red, std::vector<int> green,
         std::vector<int> blue, std::vector<int> alpha, std::vector<int> index) {
        ZORRawCollint lists[5] = {ToList(red), ToList(green), ToList(blue), ToList(alpha),
                                  ToList(index)};
        scale.GetColorTable(&lists[0], &lists[1], &lists[2], &lists[3], &lists[4]);
        for (const ZORRawCollint& list : lists) reply.Ints(ToVector(list));
      }));
  commands.push_back(Operation(
      "GetValueTable",
      std::tuple{OptionalDoubleList{"the initial value list"},
                 OptionalIntList{"the initial index list"}, OptionalDoubleOrNull{"the minimum"},
                 OptionalDoubleOrNull{"the maximum"}},
      [](Scale& scale, Reply& reply, std::vector<double> values, std::vector<int> index,
         std::optional<double> minimum, std::optional<double> maximum) {
        ZORRawColldouble valueList = ToList(values);
        ZORRawCollint indexList = ToList(index);
        scale.GetValueTable(&valueList, &indexList, minimum ? &*minimum : nullptr,
                            maximum ? &*maximum : nullptr);
        reply.Doubles(ToVector(valueList))
            .Ints(ToVector(indexList))
            .DoubleOrNull(minimum)
            .DoubleOrNull(maximum);
      }));
  commands.push_back(Operation(
      "GetScaleDefinition",
      std::tuple{Int{"the color count"}, Int{"the value count"},
                 OptionalDoubleOrNull{"the minimum"}, OptionalDoubleOrNull{"the maximum"}},
      [](int colorCount, int valueCount, const std::optional<double>&,
                 const std::optional<double>&) -> std::optional<std::string> {
        if (colorCount > kMaximum || valueCount > kMaximum) return CountAbove(kMaximum);
        return std::nullopt;
      },
      &ScaleDefinition));
  commands.push_back(Operation(
      "GetColorForValue",
      std::tuple{Double{"the value"}, OptionalInt{"an initial component"},
                 OptionalInt{"an initial component"}, OptionalInt{"an initial component"},
                 OptionalInt{"an initial component"}},
      [](Scale& scale, Reply& reply, double value, int red, int green, int blue, int alpha) {
        const int block = scale.GetColorForValue(value, &red, &green, &blue, &alpha);
        reply.Int(block).Int(red).Int(green).Int(blue).Int(alpha);
      }));
  return commands;
}
