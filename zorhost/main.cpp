// zorhost: the command-line host of the color scale module. It reads what comes before the job
// and hands the rest to the job, which reads its own options.
#include <iostream>
#include <string>
#include <vector>

#include "zor/ZORVersion.h"
#include "zorhost/batch/BatchJob.h"
#include "zorhost/common/CommandLine.h"
#include "zorhost/common/ModuleHost.h"
#include "zorhost/render/RenderJob.h"
#include "zorhost/scale/ScaleJob.h"
#include "zorhost/script/ScriptJob.h"
#include "zorhost/serve/Serve.h"

namespace {

constexpr const char* kHelp = R"(usage:
  zorhost [--module PATH] render [options]   paint an analysis with a color scale made through
                                             the module
  zorhost [--module PATH] serve [PART] [options]
                                             edit a scale in the browser, the analysis repainted
                                             after every change
  zorhost [--module PATH] batch MANIFEST.csv [options]
                                             render every part a manifest lists, several at
                                             once, and summarize their statistics and verdicts
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

int RenderJob(ZORJobArguments& arguments, const std::string& modulePath) {
  return ZORRenderJob(arguments, modulePath, std::cout, std::cerr);
}
int ServeJob(ZORJobArguments& arguments, const std::string& modulePath) {
  return ZORServeJob(arguments, modulePath, std::cout, std::cerr);
}
int BatchJob(ZORJobArguments& arguments, const std::string& modulePath) {
  return ZORBatchJob(arguments, modulePath, std::cin, std::cout, std::cerr);
}
int ScriptJob(ZORJobArguments& arguments, const std::string& modulePath) {
  return ZORScriptJob(arguments, modulePath, std::cin, std::cout, std::cerr);
}
int ScaleJob(ZORJobArguments& arguments, const std::string& modulePath) {
  return ZORScaleJob(arguments, modulePath, std::cout, std::cerr);
}

struct Job {
  const char* name;
  int (*run)(ZORJobArguments&, const std::string&);
};
constexpr Job kJobs[] = {{"render", &RenderJob}, {"serve", &ServeJob}, {"batch", &BatchJob},
                         {"script", &ScriptJob},
                         {"scale", &ScaleJob}};

int PrintVersion(const std::string& modulePath) {
  std::string error;
  const std::string module = ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, error);
  std::cout << "zorhost " << ZOR_VERSION << "\nhost platform " << ZORHostVersion() << " ("
            << ZORModuleLibrary::HostLibraryPath() << ")\nmodule "
            << (module.empty() ? "not found: " + error : module) << '\n';
  return 0;
}

int Usage(const std::string& problem) { return ZORReport(ZORUsageProblem(problem), "", std::cerr); }

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath;  // empty: searched for
  int at = 1;
  for (; at < argc; ++at) {
    const std::string argument = argv[at];
    if (argument == "--help" || argument == "-h" || argument == "help") {
      std::cout << kHelp;
      return 0;
    }
    if (argument == "--version") return PrintVersion(modulePath);
    if (argument == "--module" || argument.rfind("--module=", 0) == 0) {
      if (argument == "--module" && ++at == argc) return Usage("--module needs a PATH");
      modulePath = argument == "--module" ? argv[at] : argument.substr(9);
      if (modulePath.empty()) return Usage("--module needs a PATH that is not empty");
      continue;
    }
    if (!argument.empty() && argument.front() == '-') {
      return Usage("unknown option " + ZORShown(argument) + " before the job");
    }
    break;
  }
  if (at == argc) return Usage("say what to do: render, serve, batch, script or scale");
  ZORJobArguments arguments(std::vector<std::string>(argv + at, argv + argc));
  for (const Job& job : kJobs) {
    if (arguments.Job() == job.name) return job.run(arguments, modulePath);
  }
  return Usage("unknown job " + ZORShown(arguments.Job()) + ": render, serve, batch, script or scale");
}
