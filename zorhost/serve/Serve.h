// `zorhost serve`: a scale editor in the browser, served until interrupted.
#pragma once

#include <iosfwd>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/Render.h"

// Prints the address to open on `out`, a line, then serves until SIGINT or SIGTERM; `port` 0
// takes a free one. Exit statuses: 0 ended by a signal, 1 a failure, 2 bad input.
int ZORServe(ZORModuleHost& host, const ZORRenderOptions& options, int port, std::ostream& out,
             std::ostream& err);
