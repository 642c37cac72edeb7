#include "zorhost/render/RenderJob.h"

#include <unistd.h>

#include <ostream>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/PaintOptions.h"
#include "zorhost/render/Render.h"

namespace {

enum RenderOption { kOut = kZORFirstJobOption, kMeshOut, kValuesOut, kSaveSettings, kPerValue, kCheck };

const char* const kHelp = R"(usage: zorhost render [PART] [options]

Paints the curvature of PART (STEP .step/.stp, IGES .iges/.igs, or a mesh: STL, OBJ, PLY)
through the scale, pixel by pixel; without PART, the built-in sample part.

)";

const char* const kOwnHelp = R"(  --out PREFIX          write PREFIX.png and PREFIX.svg (default: analysis)
  --mesh-out FILE       write the analysed mesh, its values and colors: FILE.ply or FILE.glb
  --values-out FILE     write the picture's values as a CSV grid that --values reads
  --save-settings NAME  save the scale to the settings repository NAME
  --per-value           paint through GetColorForValue, value by value
  --check               paint both ways and fail on the first pixel that differs
  -h, --help            this text
)";

// An output prefix may not name a folder.
std::string CheckOutPrefix(const std::string& prefix) {
  if (prefix.empty()) return "--out needs a PREFIX that is not empty";
  const std::string last = prefix.substr(prefix.rfind('/') + 1);
  if (last.empty() || last == "." || last == ".." || ZORIsDirectory(prefix)) {
    return "--out " + ZORShown(prefix) + " names a folder; give a file prefix such as " +
           ZORShown(prefix + (prefix.back() == '/' ? "" : "/") + "analysis");
  }
  return {};
}

// The render's own options; the others go to `paint`.
std::string TakeOption(int id, const std::string& value, ZORRenderOptions& options,
                       ZORPaintOptionReader& paint) {
  switch (id) {
    case kOut:
      options.outputs.prefix = value;
      return CheckOutPrefix(value);
    case kMeshOut:
      options.outputs.meshPath = value;
      return ZORCheckNotEmpty("--mesh-out", value);
    case kValuesOut:
      options.outputs.valuesPath = value;
      return ZORCheckNotEmpty("--values-out", value);
    case kSaveSettings:
      options.scale.saveSettingsName = value;
      return ZORCheckNotEmpty("--save-settings", value);
    case kPerValue:
      options.painting = ZORPaintingMode::PerValue;
      return {};
    case kCheck:
      options.painting = ZORPaintingMode::Check;
      return {};
  }
  return paint.Take(id, value);
}

}  // namespace

int ZORRenderJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                 std::ostream& err) {
  static const std::vector<option> kOptions = ZORPaintOptionTable({
      {"out", required_argument, nullptr, kOut},
      {"mesh-out", required_argument, nullptr, kMeshOut},
      {"values-out", required_argument, nullptr, kValuesOut},
      {"save-settings", required_argument, nullptr, kSaveSettings},
      {"per-value", no_argument, nullptr, kPerValue},
      {"check", no_argument, nullptr, kCheck},
  });
  ZORRenderOptions options;
  ZORPaintOptionReader paint(options, modulePath);
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int id, const std::string& value) {
    return TakeOption(id, value, options, paint);
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp << kZORPaintOptionsHelp << kOwnHelp;
    return 0;
  }
  if (!read.problem) read.problem = paint.Finish(read.positional);
  if (!read.problem && !options.outputs.meshPath.empty() && !options.source.PaintsPart()) {
    read.problem = ZORUsageProblem("--mesh-out is for a part's picture, not a grid of values");
  }
  if (read.problem) return ZORReport(read.problem, "render", err);
  options.progress = isatty(STDERR_FILENO) != 0;
  ZOROutcome opened;
  std::unique_ptr<ZORModuleHost> host = ZORModuleHost::Find(modulePath, opened);
  if (!host) return ZORReport(opened, "", err);
  return ZORReport(ZORRender(*host, options, out, err), "render", err);
}
