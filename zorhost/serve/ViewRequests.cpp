#include "zorhost/serve/ViewRequests.h"

#include <nlohmann/json.hpp>

#include "zor/ZORText.h"
#include "zorhost/picture/PaintOptions.h"
#include "zorhost/common/Numbers.h"

namespace {

struct NamedSetting {
  const char* name;
  ZORPictureSetting setting;
};
// The settings a query may give; a change of the view also takes the analysis and the draft's
// pull, which a picture alone cannot change: they are measured over the whole part.
constexpr NamedSetting kQuerySettings[] = {{"view", ZORPictureSetting::View},
                                           {"zoom", ZORPictureSetting::Zoom},
                                           {"pan", ZORPictureSetting::Pan},
                                           {"size", ZORPictureSetting::Size},
                                           {"shading", ZORPictureSetting::Shading}};
constexpr NamedSetting kAnalysisSettings[] = {{"analysis", ZORPictureSetting::Analysis},
                                              {"pull", ZORPictureSetting::Pull},
                                              {"light", ZORPictureSetting::Light},
                                              {"thickness", ZORPictureSetting::Thickness}};

const NamedSetting* QuerySetting(const std::string& name) {
  for (const NamedSetting& named : kQuerySettings) {
    if (name == named.name) return &named;
  }
  return nullptr;
}

std::string Names(ZORViewQueryKind kind) {
  return kind == ZORViewQueryKind::Picture ? "view, zoom, pan, size, shading, draft and revision"
                                           : "view, zoom, pan, size, shading, x, y and revision";
}

// A pixel's coordinate: a whole number from 0.
std::optional<int> Coordinate(const std::string& text) {
  const std::optional<int> value = ZORReadInt(text);
  return value && *value >= 0 ? value : std::nullopt;
}

}  // namespace

ZOROutcome ZORReadViewQuery(const std::multimap<std::string, std::string>& parameters, ZORViewQueryKind kind,
                            bool hasView, ZORViewQuery& query) {
  std::optional<int> x, y;
  for (auto at = parameters.begin(); at != parameters.end(); ++at) {
    const std::string& name = at->first;
    const std::string& value = at->second;
    if (parameters.count(name) > 1) return ZORBadInput("'" + ZORPrintable(name) + "' is given more than once");
    if (name == "token" || name == "revision") continue;
    if (const NamedSetting* named = QuerySetting(name)) {
      if (!hasView) return ZORBadInput(std::string(named->name) + ": the values are a grid, which has no view");
      if (ZOROutcome refused = ZORTakePictureSetting(named->setting, name, value, query.view)) return refused;
    } else if (kind == ZORViewQueryKind::Picture && name == "draft") {
      if (value != "0" && value != "1") return ZORBadInput("draft is 1 or 0, not '" + ZORPrintable(value) + "'");
      query.draft = value == "1";
    } else if (kind == ZORViewQueryKind::Probe && (name == "x" || name == "y")) {
      (name == "x" ? x : y) = Coordinate(value);
      if (!(name == "x" ? x : y)) return ZORBadInput(name + " is a pixel's column or row from 0, not '" + ZORPrintable(value) + "'");
    } else {
      return ZORBadInput("unknown parameter '" + ZORPrintable(name) + "': this takes " + Names(kind));
    }
  }
  if (kind == ZORViewQueryKind::Probe) {
    if (!x || !y) return ZORBadInput("a probe needs x and y, the pixel's column and row from the top left");
    query.pixel = {*x, *y};
  }
  return std::nullopt;
}

ZOROutcome ZORReadViewChange(const nlohmann::json& body, ZORPictureSettings& view) {
  if (!body.is_object()) return ZORBadInput("the body must be a JSON object");
  for (const auto& [name, value] : body.items()) {
    const NamedSetting* named = QuerySetting(name);
    for (const NamedSetting& analysis : kAnalysisSettings) {
      if (name == analysis.name) named = &analysis;
    }
    if (!named) {
      return ZORBadInput("unknown member '" + ZORPrintable(name) +
                         "': a view takes analysis, pull, light, thickness, view, zoom, pan, size and shading");
    }
    if (!value.is_string()) return ZORBadInput("\"" + name + "\" must be a string, as its option takes it");
    if (ZOROutcome refused = ZORTakePictureSetting(named->setting, name, value.get<std::string>(), view)) {
      return refused;
    }
  }
  return std::nullopt;
}
