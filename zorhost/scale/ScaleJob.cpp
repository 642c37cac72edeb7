#include "zorhost/scale/ScaleJob.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "zor/ZORSettingRepository.h"
#include "zor/ZORText.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/common/OutputFiles.h"
#include "zorhost/palettes/ColorRamps.h"
#include "zorhost/figure/LegendText.h"
#include "zorhost/scale/ScaleStore.h"
#include "zorhost/scale/ScaleSnapshot.h"

namespace {

enum ScaleOption { kModule = 256, kFormat, kName, kRelative, kAbsolute };

const char* const kHelp = R"(usage:
  zorhost scale show NAME                 the scale in settings repository NAME: its blocks,
                                          boundaries, colors and which of them are imposed
  zorhost scale export NAME FILE          write it to FILE
  zorhost scale import FILE NAME          read FILE into settings repository NAME
  zorhost scale presets                   the built-in color presets

  --format F            cpt (GMT color palette table), json (ParaView-style color map preset) or
                        csv (block,from,to,red,green,blue,alpha,imposed,boundary_imposed);
                        without it, told by FILE's extension
  --name MAP            import: the color map named MAP of a .json that holds several
  --relative            import: the boundaries are fractions of the range, stretched with the
                        scale's extremes (--range, the values, the editor); a palette spanning
                        0 to 1 without zorhost's note (ParaView's presets) is read so unless
  --absolute            import: the boundaries are values, kept where they are
  --module PATH         the module to load
  -h, --help            this text

A .cpt and a .json hold what the scale paints, for GMT and ParaView, and the scale whole in a
note zorhost reads back; GMT and ParaView take no alpha; both need three blocks or more. See
docs/scale-files.md and docs/interchange.md beside the README.
)";


// The scale of repository `name`, loaded in a new scale of `host`; what the record holds that a
// scale reads badly goes to `err`.
ZOROutcome LoadForJob(ZORModuleHost& host, const std::string& name, ZORIStNewColorScale_var& scale,
                      std::ostream& err) {
  scale = host.NewScale();
  if (!scale) return ZORFailure("the host made no color scale");
  std::vector<std::string> warnings;
  ZOROutcome problem = ZORLoadScale(scale.get(), name, warnings);
  for (const std::string& warning : warnings) err << "zorhost scale: " << ZORPrintable(warning) << '\n';
  return problem;
}


// The scale file and the repository's file are not one, and what is written is a file that can be
// replaced.
ZOROutcome CheckFiles(const std::string& name, const std::string& path, bool exporting) {
  const ZORNamedFile file{"the file", path};
  const ZORNamedFile repository{"the settings repository's file", ZORRepositoryPath(name), true};
  ZOROutcome problem = exporting ? ZORCheckFilePlan({file}, {repository}) : ZORCheckFilePlan({repository}, {file});
  if (problem) problem->message += "; nothing was written";
  return problem;
}



ZOROutcome Show(ZORModuleHost& host, const std::string& name, std::ostream& out, std::ostream& err) {
  ZORIStNewColorScale_var scale;
  if (ZOROutcome problem = LoadForJob(host, name, scale, err)) return problem;
  const ZORScaleSnapshot snapshot(scale.get());
  out << ZORLegendListing(ZORMakeLegend(snapshot, nullptr), name);
  return std::nullopt;
}

ZOROutcome Export(ZORModuleHost& host, const std::string& name, const std::string& path,
                  std::optional<ZORScaleFormat> format, std::ostream& out, std::ostream& err) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  if (ZOROutcome problem = CheckFiles(name, path, true)) return problem;
  ZORIStNewColorScale_var scale;
  if (ZOROutcome problem = LoadForJob(host, name, scale, err)) return problem;
  std::vector<std::string> losses;
  if (ZOROutcome problem = ZORExportScaleFile(scale.get(), path, format, name, losses)) return problem;
  out << "zorhost scale: wrote '" << ZORPrintable(name) << "' to " << ZORPrintable(path) << '\n';
  for (const std::string& loss : losses) out << "zorhost scale: note: " << loss << '\n';
  return std::nullopt;
}

ZOROutcome Import(ZORModuleHost& host, const std::string& path, const std::string& name,
                  std::optional<ZORScaleFormat> format, const ZORScaleFileRead& asked, std::ostream& out) {
  if (ZOROutcome problem = ZORScaleFormatFor(path, format)) return problem;
  if (std::string why = ZORCheckRepositoryName(name); !why.empty()) return ZORBadInput(why);
  if (ZOROutcome problem = CheckFiles(name, path, false)) return problem;
  ZORIStNewColorScale_var scale = host.NewScale();
  if (!scale) return ZORFailure("the host made no color scale");
  ZORScaleFileRead read = asked;
  std::vector<double> relative;
  if (ZOROutcome problem = ZORImportScaleFile(scale.get(), path, format, read, relative)) return problem;
  if (ZOROutcome problem = ZORSaveScale(scale.get(), name, relative)) return problem;
  int blocks = 0;
  scale->GetNumberOfBlocks(blocks);
  out << "zorhost scale: read " << blocks << " blocks from " << ZORPrintable(path)
      << " into '" << ZORPrintable(name) << "'"
      << (relative.empty() ? "" : ", its boundaries relative: they stretch with the extremes (--range, or the values)")
      << "\n";
  for (const std::string& note : read.notes) out << "zorhost scale: note: " << note << '\n';
  return std::nullopt;
}

void Presets(std::ostream& out) {
  std::size_t nameWidth = 0;
  for (const ZORColorPreset& preset : ZORColorPresets()) nameWidth = std::max(nameWidth, std::strlen(preset.name));
  for (const ZORColorPreset& preset : ZORColorPresets()) {
    char colors[32];
    std::snprintf(colors, sizeof colors, "%3zu colors", preset.anchors.size());
    const std::string name = preset.name;
    out << name << std::string(nameWidth - name.size() + 2, ' ') << colors << "  " << preset.use << '\n';
  }
}

// An action of the job: its name, how many operands it takes, and its usage.
struct Action {
  const char* name;
  std::size_t operands;
  const char* usage;
};
constexpr Action kActions[] = {{"show", 1, "zorhost scale show NAME"},
                               {"export", 2, "zorhost scale export NAME FILE"},
                               {"import", 2, "zorhost scale import FILE NAME"},
                               {"presets", 0, "zorhost scale presets"}};

// The action the arguments name, checked against its operands; null with `problem`.
const Action* ActionOf(const std::vector<std::string>& positional, ZOROutcome& problem) {
  if (positional.empty()) {
    problem = ZORUsageProblem("say show, export, import or presets");
    return nullptr;
  }
  for (const Action& action : kActions) {
    if (positional.front() != action.name) continue;
    bool fits = positional.size() == action.operands + 1;
    for (std::size_t i = 1; fits && i < positional.size(); ++i) fits = !positional[i].empty();
    if (!fits) problem = ZORUsageProblem(std::string("usage: ") + action.usage + ", each operand not empty");
    return fits ? &action : nullptr;
  }
  problem = ZORUsageProblem("unknown action " + ZORShown(positional.front()) + ": show, export, import or presets");
  return nullptr;
}

}  // namespace




int ZORScaleJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err) {
  static const option kOptions[] = {{"module", required_argument, nullptr, kModule},
                                    {"format", required_argument, nullptr, kFormat},
                                    {"name", required_argument, nullptr, kName},
                                    {"relative", no_argument, nullptr, kRelative},
                                    {"absolute", no_argument, nullptr, kAbsolute},
                                    {"help", no_argument, nullptr, 'h'},
                                    {nullptr, 0, nullptr, 0}};
  std::optional<ZORScaleFormat> format;
  ZORScaleFileRead asked;
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int id, const std::string& value) -> ZOROutcome {
    if (id == kName) {
      asked.mapName = value;
      return ZORCheckNotEmpty("--name", value);
    }
    if (id == kRelative || id == kAbsolute) {
      if (asked.relative && *asked.relative != (id == kRelative)) return ZORUsageProblem("give --relative or --absolute, not both");
      asked.relative = id == kRelative;
      return std::nullopt;
    }
    if (id == kFormat) {
      format = ZORScaleFormatNamed(value);
      if (format) return std::nullopt;
      return ZORUsageProblem("--format is cpt, json or csv, not " + ZORShown(value));
    }
    modulePath = value;
    return ZORCheckNotEmpty("--module", value);
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp;
    return 0;
  }
  const Action* action = read.problem ? nullptr : ActionOf(read.positional, read.problem);
  if (!action) return ZORReport(read.problem, "scale", err);
  const std::vector<std::string>& operand = read.positional;
  if (action->name == std::string("presets")) {
    Presets(out);
    return 0;
  }
  std::unique_ptr<ZORModuleHost> host;
  ZOROutcome problem = ZORModuleHost::Find(modulePath, host);
  if (problem) return ZORReport(problem, "", err);
  const std::string name = action->name;
  if (name == "show") problem = Show(*host, operand[1], out, err);
  if (name == "export") problem = Export(*host, operand[1], operand[2], format, out, err);
  if (name == "import") problem = Import(*host, operand[1], operand[2], format, asked, out);
  return ZORReport(problem, "scale", err);
}
