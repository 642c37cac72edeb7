// `zorhost render`: paints an analysis with a color scale made through the module and writes
// pictures a person can open.
#pragma once

#include <iosfwd>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/Outcome.h"
#include "zorhost/render/RenderOptions.h"

// Checks what would be written, reads the values, prepares the scale, paints, writes the files
// and prints the summary on `out`; what a load found wrong in a repository goes to `err`.
ZOROutcome ZORRender(ZORModuleHost& host, const ZORRenderOptions& options, std::ostream& out,
                     std::ostream& err);
