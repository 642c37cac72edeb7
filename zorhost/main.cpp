// zorhost: the command-line host of the color scale module.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "zor/ZORText.h"
#include "zor/ZORVersion.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/Render.h"
#include "zorhost/scale/ScaleJobs.h"
#include "zorhost/serve/Serve.h"
#include "zorhost/script/ScriptRunner.h"
#include "zorhost/script/ScriptValues.h"
#include "zorhost/surface/View.h"

namespace {

constexpr int kUsage = 2;

constexpr const char* kHelp = R"(usage:
  zorhost [--module PATH] render [options]   paint an analysis with a color scale made through
                                             the module
  zorhost [--module PATH] serve [PART] [options]
                                             edit a scale in the browser, the analysis repainted
                                             after every change
  zorhost [--module PATH] script FILE        run a script of calls against color scales (FILE,
                                             or - for standard input)
  zorhost [--module PATH] scale show|export|import|presets ...
                                             a scale in a settings repository shown, written to
                                             or read from a .cpt, .json or .csv file; the
                                             built-in color presets
  zorhost --help | --version

  --module PATH         the module to load, also taken after the job; without it the module
                        libZORCarColorScale.so is searched in the folders and files of
                        $ZOR_MODULE_PATH (colon-separated), the installed modules folder, then
                        beside zorhost
  zorhost JOB --help tells the job's options. Options take their value as --opt value or
  --opt=value; -- ends the options.

Settings repositories live in $ZOR_SETTINGS_DIR, else $XDG_CONFIG_HOME/zorhost/settings, else
$HOME/.config/zorhost/settings.
)";

constexpr const char* kRenderHelp = R"(usage: zorhost render [PART] [options]

Paints the curvature of PART (STEP .step/.stp, IGES .iges/.igs, or a mesh: STL, OBJ, PLY)
through the scale, pixel by pixel; without PART, the built-in sample part.

  --analysis A          gaussian (default), mean, min or max (the principal curvatures k1 <= k2)
  --shading S           lit (default: the colors lit, so that the shape reads) or none (every
                        pixel exactly the scale's color of its value)
  --view V              iso (default), front, back, top, bottom, left or right
  --size WxH            the picture's size in pixels (default 1024x768)
  --background R,G,B    the color where no surface is seen, or a grid gives no value (default
                        255,255,255)
  --mesh-out FILE       write the analysed mesh, its values and colors: FILE.ply or FILE.glb
  --sample field        paint the sample height field (a grid of values) instead of a part
  --values FILE.csv     paint this grid of values (one row a line, values separated by commas;
                        nan is undefined, an empty cell no value: the background) instead of a
                        part
  --values-out FILE     write the picture's values as a CSV grid that --values reads
  --settings NAME       load the scale from the settings repository NAME instead of making the
                        default one
  --blocks N            blocks of the default scale (default 9, at most 65536)
  --preset NAME         impose the colors of a built-in ramp on the scale's blocks: default,
                        viridis, cividis, magma, cool-warm or grayscale (zorhost scale presets)
  --classify METHOD     impose the boundaries from the values painted: equal (equal intervals
                        between the extremes), quantile (equal counts), jenks (natural breaks),
                        stddev (steps of the standard deviation about the mean), symmetric
                        (equal intervals centred on zero) or log (logarithmic, values above zero)
  --save-settings NAME  save the scale to the settings repository NAME
  --out PREFIX          write PREFIX.png and PREFIX.svg (default: analysis)
  --per-value           paint through GetColorForValue, value by value
  --check               paint both ways and fail on the first pixel that differs
  --time-limit SECONDS  the longest that reading and meshing PART may take (default 60, 0 for
                        none): past it zorhost stops with exit status 2, writing nothing
  --module PATH         the module to load
  -h, --help            this text
)";

constexpr const char* kServeHelp = R"(usage: zorhost serve [PART | --values FILE.csv | --sample field] [options]

Serves an editor of a color scale on this machine only (127.0.0.1 and ::1) and prints the address
to open in a browser, with its token. The page shows the analysis of PART (or the sample part, a
grid of values, or the height-field sample) painted through the scale, and repaints it after
every change. Every change is made by the module; the API is docs/zorhost-serve.md. Ctrl-C ends
it; nothing is saved unless asked for on the page.

  --port N              the port (default: a free one)
  --settings NAME       edit the scale of the settings repository NAME
  --blocks N, --preset NAME, --classify METHOD
                        the scale to start from, as for zorhost render
  --analysis A, --view V, --size WxH, --shading S, --background R,G,B, --time-limit SECONDS
                        the part's picture, as for zorhost render
  --module PATH         the module to load
  -h, --help            this text
)";

constexpr const char* kScaleHelp = R"(usage:
  zorhost scale show NAME                 the scale in settings repository NAME: its blocks,
                                          boundaries, colors and which of them are imposed
  zorhost scale export NAME FILE          write it to FILE
  zorhost scale import FILE NAME          read FILE into settings repository NAME
  zorhost scale presets                   the built-in color presets

  --format F            cpt (GMT color palette table), json (ParaView-style color map preset) or
                        csv (block,from,to,red,green,blue,alpha,imposed,boundary_imposed);
                        without it, told by FILE's extension
  --module PATH         the module to load
  -h, --help            this text

A .cpt keeps the first and last blocks as its B and F colors and loses alpha, as does a .json;
both need three blocks or more. See docs/scale-files.md beside the README.
)";

constexpr const char* kScriptHelp = R"(usage: zorhost script [--module PATH] FILE

Runs FILE (or - for standard input) line by line against color scales made through the module:
one output line per command; a bad line stops the run with "zorhost: FILE:N: <what is wrong>"
and exit status 2. See docs/zorhost-script.md.
)";

// A usage problem, and where help is: the job's own when the problem is a job's.
int Usage(const std::string& problem, const std::string& job = {}) {
  std::cerr << "zorhost: " << problem << "\n(zorhost " << (job.empty() ? "" : job + " ")
            << "--help tells how to use it)\n";
  return kUsage;
}

std::string Shown(const std::string& text) { return "'" + ZORPrintable(text) + "'"; }

// The module given by --module (empty: searched for), loaded with a host session.
std::unique_ptr<ZORModuleHost> OpenHost(const std::string& modulePath) {
  std::string error;
  const std::string found =
      ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, error);
  std::unique_ptr<ZORModuleHost> host = found.empty() ? nullptr : ZORModuleHost::Open(found, error);
  if (!host) std::cerr << "zorhost: " << error << '\n';
  return host;
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A job's arguments as getopt_long takes them: the job's name first.
struct JobArguments {
  std::vector<std::string> texts;
  std::vector<char*> pointers;

  explicit JobArguments(std::vector<std::string> arguments) : texts(std::move(arguments)) {
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
  }
  int Count() const { return static_cast<int>(texts.size()); }
};

// Reads the options of a job with getopt_long; calls `take(id, value)` for each but -h/--help,
// which returns an empty string or the problem. The arguments that are not options go to
// `positional`. With -h or --help among options that read well, prints `help` and ends the job
// with 0.
template <class Take>
std::optional<int> ReadOptions(JobArguments& arguments, const option* options, Take take,
                               const char* help, std::vector<std::string>& positional) {
  optind = 0;  // a fresh scan
  opterr = 0;
  const std::string job = arguments.texts.front();
  bool helpAsked = false;
  for (;;) {
    const int id = getopt_long(arguments.Count(), arguments.pointers.data(), ":h", options, nullptr);
    if (id == -1) break;
    const std::string given = arguments.pointers[static_cast<std::size_t>(optind - 1)];
    if (id == '?') return Usage(job + ": unknown option " + Shown(optopt != 0 ? std::string("-") + static_cast<char>(optopt) : given), job);
    if (id == ':') return Usage(job + ": " + Shown(given) + " needs a value", job);
    if (id == 'h') {
      helpAsked = true;
      continue;
    }
    if (const std::string problem = take(id, optarg != nullptr ? std::string(optarg) : std::string());
        !problem.empty()) {
      return Usage(job + ": " + problem, job);
    }
  }
  if (helpAsked) {
    std::cout << help;
    return 0;
  }
  // getopt_long moved the arguments that are not options to the end, in their order.
  for (int i = optind; i < arguments.Count(); ++i) {
    positional.emplace_back(arguments.pointers[static_cast<std::size_t>(i)]);
  }
  return std::nullopt;
}

enum RenderOption { kValues = 256, kSettings, kBlocks, kSaveSettings, kOut, kPerValue, kCheck,
                    kModule, kSample, kAnalysis, kShading, kView, kSize, kBackground, kMeshOut,
                    kValuesOut, kPreset, kClassify, kFormat, kPort, kTimeLimit, kHelpOption = 'h' };

struct AnalysisName {
  const char* name;
  ZORAnalysis analysis;
};
constexpr AnalysisName kAnalyses[] = {{"gaussian", ZORAnalysis::Gaussian},
                                      {"mean", ZORAnalysis::Mean},
                                      {"min", ZORAnalysis::Minimum},
                                      {"max", ZORAnalysis::Maximum}};

// "WxH", each from 1 to 8192.
bool ReadSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const std::optional<int> w = ZORScriptValues::ReadInt(text.substr(0, x));
  const std::optional<int> h = ZORScriptValues::ReadInt(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > 8192 || *h > 8192) return false;
  width = *w;
  height = *h;
  return true;
}

// "R,G,B", each from 0 to 255.
bool ReadColor(const std::string& text, ZORRgba& color) {
  const std::optional<std::vector<int>> components = ZORScriptValues::ReadIntList("[" + text + "]");
  if (!components || components->size() != 3) return false;
  for (int c : *components) {
    if (c < 0 || c > 255) return false;
  }
  color = {(*components)[0], (*components)[1], (*components)[2], 255};
  return true;
}

// A name the user gives may not be empty; an output prefix may not name a folder.
std::string CheckName(const char* option, const std::string& value) {
  return value.empty() ? std::string(option) + " needs a value that is not empty" : std::string();
}

std::string CheckOutPrefix(const std::string& prefix) {
  if (prefix.empty()) return "--out needs a PREFIX that is not empty";
  const std::string last = prefix.substr(prefix.rfind('/') + 1);
  if (last.empty() || last == "." || last == ".." || IsDirectory(prefix)) {
    return "--out " + Shown(prefix) + " names a folder; give a file prefix such as " +
           Shown(prefix + (prefix.back() == '/' ? "" : "/") + "analysis");
  }
  return {};
}

// The options of the jobs that paint an analysis, render and serve; each refuses the other's own.
std::optional<int> ReadPaintOptions(JobArguments& arguments, std::string& modulePath,
                                    ZORRenderOptions& options, bool serving, int& port) {
  const std::string job = serving ? "serve" : "render";
  static const option kOptions[] = {
      {"values", required_argument, nullptr, kValues},
      {"settings", required_argument, nullptr, kSettings},
      {"blocks", required_argument, nullptr, kBlocks},
      {"save-settings", required_argument, nullptr, kSaveSettings},
      {"out", required_argument, nullptr, kOut},
      {"per-value", no_argument, nullptr, kPerValue},
      {"check", no_argument, nullptr, kCheck},
      {"module", required_argument, nullptr, kModule},
      {"sample", required_argument, nullptr, kSample},
      {"analysis", required_argument, nullptr, kAnalysis},
      {"shading", required_argument, nullptr, kShading},
      {"view", required_argument, nullptr, kView},
      {"size", required_argument, nullptr, kSize},
      {"background", required_argument, nullptr, kBackground},
      {"mesh-out", required_argument, nullptr, kMeshOut},
      {"values-out", required_argument, nullptr, kValuesOut},
      {"preset", required_argument, nullptr, kPreset},
      {"classify", required_argument, nullptr, kClassify},
      {"port", required_argument, nullptr, kPort},
      {"time-limit", required_argument, nullptr, kTimeLimit},
      {"help", no_argument, nullptr, kHelpOption},
      {nullptr, 0, nullptr, 0}};
  static constexpr int kRenderOnly[] = {kSaveSettings, kOut, kMeshOut, kValuesOut, kPerValue, kCheck};
  bool blocksGiven = false;
  bool sampleGiven = false;
  std::vector<std::string> partOptions;  // given, and only a part's picture takes them
  auto take = [&](int id, const std::string& value) -> std::string {
    const bool renderOnly = std::find(std::begin(kRenderOnly), std::end(kRenderOnly), id) != std::end(kRenderOnly);
    if ((serving && renderOnly) || (!serving && id == kPort)) {
      for (const option& row : kOptions) {
        if (row.val == id) return std::string("--") + row.name + " is not an option of " + job;
      }
    }
    switch (id) {
      case kPort: {
        const std::optional<int> asked = ZORScriptValues::ReadInt(value);
        if (!asked || *asked < 1 || *asked > 65535) return "--port is a port from 1 to 65535, not " + Shown(value);
        port = *asked;
        return {};
      }
      case kTimeLimit: {
        const std::optional<double> seconds = ZORScriptValues::ReadDouble(value);
        if (!seconds || !(*seconds >= 0.0) || !std::isfinite(*seconds)) {
          return "--time-limit is a number of seconds, 0 for none, not " + Shown(value);
        }
        options.timeLimit = *seconds;
        return {};
      }
      case kValues:
        options.valuesPath = value;
        return CheckName("--values", value);
      case kSettings:
        options.settingsName = value;
        return CheckName("--settings", value);
      case kSaveSettings:
        options.saveSettingsName = value;
        return CheckName("--save-settings", value);
      case kOut:
        options.outPrefix = value;
        return CheckOutPrefix(value);
      case kModule:
        modulePath = value;
        return CheckName("--module", value);
      case kBlocks: {
        const std::optional<int> blocks = ZORScriptValues::ReadInt(value);
        if (!blocks || *blocks < 1 || *blocks > 65536) {
          return "--blocks needs a whole number from 1 to 65536, not " + Shown(value);
        }
        options.blocks = *blocks;
        blocksGiven = true;
        return {};
      }
      case kSample:
        sampleGiven = true;
        if (value == "part") {
          options.sample = ZORRenderOptions::Sample::Part;
        } else if (value == "field") {
          options.sample = ZORRenderOptions::Sample::Field;
        } else {
          return "--sample is part or field, not " + Shown(value);
        }
        return {};
      case kAnalysis: {
        partOptions.push_back("--analysis");
        for (const AnalysisName& row : kAnalyses) {
          if (value == row.name) {
            options.analysis = row.analysis;
            return {};
          }
        }
        return "--analysis is gaussian, mean, min or max, not " + Shown(value);
      }
      case kShading:
        partOptions.push_back("--shading");
        if (value == "lit" || value == "none") {
          options.shading = value == "lit" ? ZORRenderOptions::Shading::Lit
                                           : ZORRenderOptions::Shading::None;
          return {};
        }
        return "--shading is lit or none, not " + Shown(value);
      case kView:
        partOptions.push_back("--view");
        if (const std::optional<ZORView> view = ZORViewNamed(value)) {
          options.view = *view;
          return {};
        }
        return "--view is iso, front, back, top, bottom, left or right, not " + Shown(value);
      case kSize:
        partOptions.push_back("--size");
        return ReadSize(value, options.width, options.height)
                   ? std::string()
                   : "--size is WxH, each from 1 to 8192 pixels, not " + Shown(value);
      case kBackground:
        return ReadColor(value, options.background)
                   ? std::string()
                   : "--background is R,G,B, each from 0 to 255, not " + Shown(value);
      case kMeshOut:
        partOptions.push_back("--mesh-out");
        options.meshOutPath = value;
        return CheckName("--mesh-out", value);
      case kValuesOut:
        options.valuesOutPath = value;
        return CheckName("--values-out", value);
      case kPreset:
        options.preset = ZORFindColorPreset(value);
        return options.preset ? std::string()
                              : "--preset is " + ZORColorPresetChoices() + ", not " + Shown(value);
      case kClassify:
        options.classify = ZORClassMethodNamed(value);
        return options.classify ? std::string()
                                : "--classify is " + ZORClassMethodChoices() + ", not " + Shown(value);
      case kPerValue:
        options.painting = ZORRenderOptions::Painting::PerValue;
        return {};
      case kCheck:
        options.painting = ZORRenderOptions::Painting::Check;
        return {};
    }
    return {};
  };
  std::vector<std::string> positional;
  if (std::optional<int> ended = ReadOptions(arguments, kOptions, take, serving ? kServeHelp : kRenderHelp, positional)) {
    return *ended;
  }
  if (positional.size() > 1) return Usage(job + ": unexpected argument " + Shown(positional[1]), job);
  if (!positional.empty()) {
    options.partPath = positional.front();
    if (options.partPath.empty()) return Usage(job + ": the PART's name may not be empty", job);
    if (!options.valuesPath.empty() || sampleGiven) {
      return Usage(job + ": give a PART, --values or --sample, one of them", job);
    }
  }
  if (!options.valuesPath.empty() && sampleGiven) {
    return Usage(job + ": give --values or --sample, one of them", job);
  }
  if (!options.PaintsPart() && !partOptions.empty()) {
    return Usage(job + ": " + partOptions.front() + " is for a part's picture, not a grid of values", job);
  }
  if (blocksGiven && !options.settingsName.empty()) {
    return Usage(job + ": --blocks makes the default scale, --settings loads one: give one of them", job);
  }
  if (!options.valuesPath.empty() && IsDirectory(options.valuesPath)) {
    std::cerr << "zorhost " << job << ": " << ZORPrintable(options.valuesPath) << ": is a directory\n";
    return kUsage;
  }
  return std::nullopt;
}

int RenderJob(JobArguments& arguments, std::string modulePath) {
  ZORRenderOptions options;
  int port = 0;
  if (std::optional<int> ended = ReadPaintOptions(arguments, modulePath, options, false, port)) {
    return *ended;
  }
  options.progress = isatty(STDERR_FILENO) != 0;
  std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
  if (!host) return 1;
  return ZORRender(*host, options, std::cout, std::cerr);
}

int ServeJob(JobArguments& arguments, std::string modulePath) {
  ZORRenderOptions options;
  options.job = "serve";
  int port = 0;
  if (std::optional<int> ended = ReadPaintOptions(arguments, modulePath, options, true, port)) {
    return *ended;
  }
  std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
  if (!host) return 1;
  return ZORServe(*host, options, port, std::cout, std::cerr);
}

int ScriptJob(JobArguments& arguments, std::string modulePath) {
  static const option kOptions[] = {{"module", required_argument, nullptr, kModule},
                                    {"help", no_argument, nullptr, kHelpOption},
                                    {nullptr, 0, nullptr, 0}};
  auto take = [&](int, const std::string& value) -> std::string {
    modulePath = value;  // --module, the one option besides --help
    return CheckName("--module", value);
  };
  std::vector<std::string> positional;
  if (std::optional<int> ended = ReadOptions(arguments, kOptions, take, kScriptHelp, positional)) {
    return *ended;
  }
  if (positional.empty()) return Usage("script needs a FILE (or - for standard input)", "script");
  if (positional.size() > 1) return Usage("script: unexpected argument " + Shown(positional[1]), "script");
  const std::string& scriptPath = positional.front();
  if (scriptPath.empty()) return Usage("script needs a FILE that is not empty", "script");
  std::ifstream file;
  if (scriptPath != "-") {
    if (IsDirectory(scriptPath)) {
      std::cerr << "zorhost script: " << ZORPrintable(scriptPath) << ": is a directory\n";
      return kUsage;
    }
    file.open(scriptPath, std::ios::binary);
    if (!file) {
      std::cerr << "zorhost script: " << ZORPrintable(scriptPath)
                << ": cannot be read: " << std::strerror(errno) << '\n';
      return kUsage;
    }
  }
  std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
  if (!host) return 1;
  ZORScriptRunner runner(*host, std::cout, std::cerr);
  return scriptPath == "-" ? runner.Run(std::cin, "<stdin>") : runner.Run(file, scriptPath);
}

int ScaleJob(JobArguments& arguments, std::string modulePath) {
  static const option kOptions[] = {{"module", required_argument, nullptr, kModule},
                                    {"format", required_argument, nullptr, kFormat},
                                    {"help", no_argument, nullptr, kHelpOption},
                                    {nullptr, 0, nullptr, 0}};
  std::optional<ZORScaleFormat> format;
  auto take = [&](int id, const std::string& value) -> std::string {
    if (id == kFormat) {
      format = ZORScaleFormatNamed(value);
      return format ? std::string() : "--format is cpt, json or csv, not " + Shown(value);
    }
    modulePath = value;
    return CheckName("--module", value);
  };
  std::vector<std::string> positional;
  if (std::optional<int> ended = ReadOptions(arguments, kOptions, take, kScaleHelp, positional)) {
    return *ended;
  }
  struct Action {
    const char* name;
    std::size_t operands;
    const char* usage;
  };
  static constexpr Action kActions[] = {{"show", 1, "scale show NAME"},
                                        {"export", 2, "scale export NAME FILE"},
                                        {"import", 2, "scale import FILE NAME"},
                                        {"presets", 0, "scale presets"}};
  if (positional.empty()) return Usage("scale needs show, export, import or presets", "scale");
  const std::string& action = positional.front();
  const Action* found = nullptr;
  for (const Action& row : kActions) {
    if (action == row.name) found = &row;
  }
  if (!found) return Usage("scale: unknown action " + Shown(action) + ": show, export, import or presets", "scale");
  if (positional.size() != found->operands + 1) return Usage(std::string("usage: zorhost ") + found->usage, "scale");
  for (std::size_t i = 1; i < positional.size(); ++i) {
    if (positional[i].empty()) return Usage(std::string("usage: zorhost ") + found->usage + ", each not empty", "scale");
  }
  if (action == "presets") return ZORScalePresets(std::cout);
  std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
  if (!host) return 1;
  if (action == "show") return ZORScaleShow(*host, positional[1], std::cout, std::cerr);
  if (action == "export") {
    return ZORScaleExport(*host, positional[1], positional[2], format, std::cout, std::cerr);
  }
  return ZORScaleImport(*host, positional[1], positional[2], format, std::cout, std::cerr);
}

int PrintVersion(const std::string& modulePath) {
  std::string error;
  const std::string module = ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, error);
  std::cout << "zorhost " << ZOR_VERSION << "\nhost platform " << ZORHostVersion() << " ("
            << ZORModuleLibrary::HostLibraryPath() << ")\nmodule "
            << (module.empty() ? "not found: " + error : module) << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath;  // empty: searched for
  // Options before the job.
  int at = 1;
  for (; at < argc; ++at) {
    const std::string argument = argv[at];
    if (argument == "--help" || argument == "-h" || argument == "help") {
      std::cout << kHelp;
      return 0;
    }
    if (argument == "--version") return PrintVersion(modulePath);
    if (argument == "--module" || argument.rfind("--module=", 0) == 0) {
      if (argument == "--module") {
        if (++at == argc) return Usage("--module needs a PATH");
        modulePath = argv[at];
      } else {
        modulePath = argument.substr(9);
      }
      if (modulePath.empty()) return Usage("--module needs a PATH that is not empty");
      continue;
    }
    if (!argument.empty() && argument.front() == '-') {
      return Usage("unknown option " + Shown(argument) + " before the job");
    }
    break;
  }
  if (at == argc) return Usage("say what to do: render, serve, script or scale");
  JobArguments arguments(std::vector<std::string>(argv + at, argv + argc));
  const std::string& job = arguments.texts.front();
  if (job == "render") return RenderJob(arguments, modulePath);
  if (job == "script") return ScriptJob(arguments, modulePath);
  if (job == "scale") return ScaleJob(arguments, modulePath);
  if (job == "serve") return ServeJob(arguments, modulePath);
  return Usage("unknown job " + Shown(job) + ": render, serve, script or scale");
}
