// `zorhost render`: paints an analysis with a color scale made through the module and writes
// pictures a person can open.
#pragma once

#include <iosfwd>
#include <string>

#include "zorhost/ModuleHost.h"

struct ZORRenderOptions {
  std::string valuesPath;        // a CSV grid; empty: the built-in sample analysis
  std::string settingsName;      // load the scale from this repository instead of the default
  int blocks = 9;                // blocks of the default scale
  std::string saveSettingsName;  // save the scale to this repository
  std::string outPrefix = "analysis";
  enum class Painting { Painter, PerValue, Check };
  Painting painting = Painting::Painter;
  bool progress = false;  // show progress on standard error
};

// Exit statuses: 0 done, 1 a failure of the run, 2 bad input.
int ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
              std::ostream& err);
