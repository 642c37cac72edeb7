// Script commands of the host: making and choosing scales, settings repositories as stored, and
// the attributes of the current scale's feature.
#include <variant>

#include "zor/ZORHostSession.h"
#include "zor/ZORSettingRepository.h"
#include "zorhost/script/ScriptCommands.h"
#include "zorhost/script/ScriptRunner.h"

namespace {

using namespace ZORScriptArgument;
using ZORScriptSchema::Command;
using Context = ZORScriptContext;
using Reply = ZORScriptReply;
namespace values = ZORScriptValues;

// `int [values]` or `double [values]`.
struct TypedValues {
  using Value = std::variant<std::vector<int>, std::vector<double>>;
  Value Read(ZORScriptArguments& a) const {
    const std::string type = a.Word("the type (int or double)");
    if (type == "int") return a.IntList("the values");
    if (type == "double") return a.DoubleList("the values");
    a.Fail("the type " + ZORScriptShown(type) + " is neither int nor double");
  }
};

std::string AttributeText(const ZORAttributeView& view) {
  if (!view.defined) return "none";
  if (!view.hasValue) return "novalue";
  std::string text;
  for (const ZORAttributeEntry& entry : view.entries) {
    if (!text.empty()) text += ',';
    switch (entry.kind) {
      case ZORAttributeEntry::Kind::Integer:
        text += std::to_string(entry.integer);
        break;
      case ZORAttributeEntry::Kind::Real:
        text += ZORExactNumber(entry.real);
        break;
      case ZORAttributeEntry::Kind::NoValue:
        text += "novalue";
        break;
    }
  }
  return view.isList ? "[" + text + "]" : text;
}

// feature-unset and feature-undefine: the attribute is changed on the current scale's feature.
ZORScriptCommand ChangeAttribute(const char* name, bool (*change)(ZORISpecObject*, const char*)) {
  return Command(name, std::tuple{Word{"the attribute key"}},
                 [change](Context& context, Reply& reply, std::string key) {
                   ZORISpecObject_var feature(&context.Scale(reply));
                   change(feature.get(), key.c_str());
                   reply << key;
                 });
}

void WriteSetting(Reply& reply, const std::string& name, const std::string& key,
                  TypedValues::Value values) {
  ZORSettingRepository* repository = ZORSettingRepository::GetRepository(
      name.c_str(), 0, ZORSettingRepository::ReadWrite, nullptr);
  if (repository == nullptr) reply.Refuse("the repository " + ZORScriptShown(name) + " cannot be had");
  const HRESULT written = std::visit(
      [&](auto& list) {
        return repository->WriteSetting(key.c_str(), list.data(), static_cast<long>(list.size()),
                                        0);
      },
      values);
  if (FAILED(written)) reply.Refuse("the key " + ZORScriptShown(key) + " cannot be stored");
  if (FAILED(repository->SaveRepository(nullptr))) reply.Refuse("the repository could not be saved");
  reply << name << key;
}

void ShowSettings(Reply& reply, const std::string& name) {
  std::vector<ZORSettingEntry> entries;
  std::string problem;
  const int found = ZORReadRepositoryFile(name, entries, problem);
  if (found < 0) reply.Refuse(problem);
  reply << name;
  if (found == 0) {
    reply << "none";
    return;
  }
  for (const ZORSettingEntry& entry : entries) {
    reply << entry.key + "=" +
                 (entry.isDouble ? values::DoubleList(entry.doubles)
                                 : values::IntList(entry.integers));
  }
}

// A legacy scale with these arrays, converted by the module's factory.
void ConvertLegacy(Context& context, Reply& reply, ZORLegacyScaleData data) {
  ZORIStLegacyColorScale_var legacy = ZORMakeLegacyColorScale(std::move(data));
  ZORIStNewColorScale_var result;
  reply.Code(context.Host().Factory()->CreateFromLegacyColorScale(legacy, result));
  if (!result) {
    reply << "none";
    return;
  }
  reply.Int(context.Add(std::move(result)));
}

}  // namespace

std::vector<ZORScriptCommand> ZORScriptHostCommands() {
  constexpr int kMaximum = ZORScriptRunner::kMaximumArrayCount;
  std::vector<ZORScriptCommand> commands;
  commands.push_back(Command("new", std::tuple{}, [](Context& context, Reply& reply) {
    ZORIStNewColorScale_var scale = context.Host().NewScale();
    if (!scale) {
      reply << "empty";
      return;
    }
    reply.Int(context.Add(std::move(scale)));
  }));
  commands.push_back(Command("use", std::tuple{Int{"the scale number"}},
                             [](Context& context, Reply& reply, int k) {
                               if (k < 1 || static_cast<std::size_t>(k) > context.ScaleCount()) {
                                 reply.Refuse("there is no scale " + std::to_string(k) +
                                              " (this run has made " +
                                              std::to_string(context.ScaleCount()) + ")");
                               }
                               context.Use(static_cast<std::size_t>(k));
                               reply.Int(k);
                             }));
  commands.push_back(Command(
      "legacy",
      std::tuple{Int{"the block count"}, IntListOrNull{"the red array"},
                 IntListOrNull{"the green array"}, IntListOrNull{"the blue array"},
                 IntListOrNull{"the alpha array"}, IntListOrNull{"the color index array"},
                 DoubleListOrNull{"the value array"}, IntListOrNull{"the value index array"}},
      // The legacy scale hands out arrays of its block count (padding short ones).
      [](int blocks, const auto&...) -> std::optional<std::string> {
        if (blocks > kMaximum) {
          return "a block count above " + std::to_string(kMaximum) +
                 " is more than the runner hands out";
        }
        return std::nullopt;
      },
      [](Context& context, Reply& reply, int blocks, std::optional<std::vector<int>> red,
         std::optional<std::vector<int>> green, std::optional<std::vector<int>> blue,
         std::optional<std::vector<int>> alpha, std::optional<std::vector<int>> colorIndices,
         std::optional<std::vector<double>> values,
         std::optional<std::vector<int>> valueIndices) {
        ZORLegacyScaleData data;
        data.blockCount = blocks;
        data.red = std::move(red);
        data.green = std::move(green);
        data.blue = std::move(blue);
        data.alpha = std::move(alpha);
        data.imposedColorIndices = std::move(colorIndices);
        data.values = std::move(values);
        data.imposedValueIndices = std::move(valueIndices);
        ConvertLegacy(context, reply, std::move(data));
      }));
  commands.push_back(Command("settings-show", std::tuple{Word{"the repository name"}},
                             [](Context&, Reply& reply, std::string name) {
                               ShowSettings(reply, name);
                             }));
  commands.push_back(Command(
      "settings-write", std::tuple{Word{"the repository name"}, Word{"the key"}, TypedValues{}},
      [](const std::string& name, const std::string&,
         const TypedValues::Value&) -> std::optional<std::string> {
        if (std::string why = ZORCheckRepositoryName(name); !why.empty()) {
          return "repository name refused: " + why;
        }
        return std::nullopt;
      },
      [](Context&, Reply& reply, std::string name, std::string key, TypedValues::Value values) {
        WriteSetting(reply, name, key, std::move(values));
      }));
  commands.push_back(Command("feature-show", std::tuple{Word{"the attribute key"}},
                             [](Context& context, Reply& reply, std::string key) {
                               ZORISpecObject_var feature(&context.Scale(reply));
                               reply << key
                                     << AttributeText(ZORViewAttribute(feature.get(), key.c_str()));
                             }));
  commands.push_back(ChangeAttribute("feature-unset", &ZORUnsetAttribute));
  commands.push_back(ChangeAttribute("feature-undefine", &ZORUndefineAttribute));
  return commands;
}
