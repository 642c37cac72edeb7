// zorhost: the command-line host of the color scale module.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "zorhost/ModuleHost.h"
#include "zorhost/Render.h"
#include "zorhost/ScriptRunner.h"
#include "zorhost/ScriptValues.h"

namespace {

constexpr int kUsage = 2;

constexpr const char* kHelp = R"(usage:
  zorhost render [options]   paint an analysis with a color scale made through the module
  zorhost script FILE        run a script of calls against color scales (FILE or - for stdin)
  zorhost --help

render options:
  --values FILE.csv     paint this grid of values (one row a line, values separated by commas;
                        an empty cell or nan is undefined) instead of the sample analysis
  --settings NAME       load the scale from the settings repository NAME instead of the default
  --blocks N            blocks of the default scale (default 9)
  --save-settings NAME  save the scale to the settings repository NAME
  --out PREFIX          write PREFIX.png and PREFIX.svg (default: analysis)
  --per-value           paint through GetColorForValue, value by value
  --check               paint both ways and fail on the first pixel that differs

common options:
  --module PATH         the module to load (default: libZORCarColorScale.so beside zorhost,
                        or $ZOR_MODULE)

Settings repositories live in $ZOR_SETTINGS_DIR, else $XDG_CONFIG_HOME/zorhost/settings, else
$HOME/.config/zorhost/settings.
)";

int Usage(const std::string& problem) {
  std::cerr << "zorhost: " << problem << "\n(zorhost --help tells how to use it)\n";
  return kUsage;
}

std::unique_ptr<ZORModuleHost> OpenHost(const std::string& modulePath) {
  std::string error;
  std::unique_ptr<ZORModuleHost> host = ZORModuleHost::Open(modulePath, error);
  if (!host) std::cerr << "zorhost: " << error << '\n';
  return host;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return Usage("say what to do: render or script");
  if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    std::cout << kHelp;
    return 0;
  }
  std::string modulePath = ZORDefaultModulePath();
  const std::string job = arguments[0];

  if (job == "script") {
    std::string scriptPath;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      if (arguments[i] == "--module" && i + 1 < arguments.size()) {
        modulePath = arguments[++i];
      } else if (scriptPath.empty()) {
        scriptPath = arguments[i];
      } else {
        return Usage("unexpected argument '" + arguments[i] + "'");
      }
    }
    if (scriptPath.empty()) return Usage("script needs a FILE (or - for standard input)");
    std::ifstream file;
    if (scriptPath != "-") {
      file.open(scriptPath, std::ios::binary);
      if (!file) return Usage("cannot read the script '" + scriptPath + "': " + std::strerror(errno));
    }
    std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
    if (!host) return 1;
    ZORScriptRunner runner(*host, std::cout, std::cerr);
    return runner.Run(scriptPath == "-" ? std::cin : file);
  }

  if (job == "render") {
    ZORRenderOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      const std::string& option = arguments[i];
      auto value = [&](std::string& into) {
        if (i + 1 >= arguments.size()) return false;
        into = arguments[++i];
        return true;
      };
      std::string text;
      if (option == "--values") {
        if (!value(options.valuesPath)) return Usage("--values needs a FILE.csv");
      } else if (option == "--settings") {
        if (!value(options.settingsName)) return Usage("--settings needs a NAME");
      } else if (option == "--save-settings") {
        if (!value(options.saveSettingsName)) return Usage("--save-settings needs a NAME");
      } else if (option == "--out") {
        if (!value(options.outPrefix) || options.outPrefix.empty()) return Usage("--out needs a PREFIX");
      } else if (option == "--module") {
        if (!value(modulePath)) return Usage("--module needs a PATH");
      } else if (option == "--blocks") {
        std::optional<int> blocks = value(text) ? ZORScriptValues::ReadInt(text) : std::nullopt;
        if (!blocks || *blocks < 1 || *blocks > 65536) {
          return Usage("--blocks needs a whole number from 1 to 65536");
        }
        options.blocks = *blocks;
      } else if (option == "--per-value") {
        options.painting = ZORRenderOptions::Painting::PerValue;
      } else if (option == "--check") {
        options.painting = ZORRenderOptions::Painting::Check;
      } else if (option == "--help") {
        std::cout << kHelp;
        return 0;
      } else {
        return Usage("unknown render option '" + option + "'");
      }
    }
    options.progress = isatty(STDERR_FILENO) != 0;
    std::unique_ptr<ZORModuleHost> host = OpenHost(modulePath);
    if (!host) return 1;
    return ZORRender(*host, options, std::cout, std::cerr);
  }
  return Usage("unknown job '" + job + "': render or script");
}
