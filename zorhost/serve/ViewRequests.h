// What the editor's requests ask of the view: the settings of a picture or a probe in a query
// (`?view=-30,20&zoom=2&draft=1`), a change of the view in a JSON body. Each setting is read as
// `zorhost render` reads its option of the same name; a name the request does not take is
// refused, never passed over.
#pragma once

#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "zorhost/common/Outcome.h"
#include "zorhost/picture/PictureOptions.h"

// What a query asks for: the view with its settings in place, a draft, a pixel.
struct ZORViewQuery {
  ZORPictureSettings view;
  bool draft = false;
  ZORPixel pixel;
};

enum class ZORViewQueryKind {
  Picture,  // view, zoom, pan, size, shading, draft
  Probe,    // view, zoom, pan, size, shading, x, y (both needed)
};

// Reads `parameters` into `query`, whose view starts as the editor's. A grid has no view: any
// setting of one is refused. "token" and "revision" (the page's own) are taken and passed over.
ZOROutcome ZORReadViewQuery(const std::multimap<std::string, std::string>& parameters, ZORViewQueryKind kind,
                            bool hasView, ZORViewQuery& query);

// Reads a change of the view, a JSON object of strings (analysis, shading, view, zoom, pan, size),
// into `view`.
ZOROutcome ZORReadViewChange(const nlohmann::json& body, ZORPictureSettings& view);
