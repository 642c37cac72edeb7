#include "zorhost/serve/Serve.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <ostream>
#include <thread>

#include "zorhost/common/ModuleHost.h"
#include "zorhost/picture/PaintOptions.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/serve/EditorServer.h"
#include "zorhost/serve/ScaleEditor.h"

namespace {

enum ServeOption { kPort = kZORFirstJobOption };

const char* const kHelp = R"(usage: zorhost serve [PART | --values FILE.csv | --sample field] [options]

Serves an editor of a color scale on this machine only (127.0.0.1 and ::1) and prints the address
to open in a browser, with its token. The page shows the analysis of PART (or the sample part, a
grid of values, or the height-field sample) painted through the scale, and repaints it after
every change. Every change is made by the module; the API is docs/zorhost-serve.md. Ctrl-C ends
it; nothing is saved unless asked for on the page.

)";

const char* const kOwnHelp = R"(  --port N              the port (default: a free one)
  -h, --help            this text
)";

// SIGINT and SIGTERM held back from every thread, to be taken by one that waits for them.
sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Serves `editor` until a signal; the address first on `out`.
ZOROutcome Serve(ZORScaleEditor& editor, int port, std::ostream& out, std::ostream& err) {
  // Each of the server's threads would keep an allocation arena of its own, each holding what
  // the last large answer freed: a scale of 65536 blocks would grow the process by hundreds of
  // megabytes an edit. Two arenas hold the memory to what is in use.
  mallopt(M_ARENA_MAX, 2);
  // Before the server starts its threads, so that they inherit the mask.
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ZOREditorServer server(editor, ZOREditorServer::NewToken());
  if (ZOROutcome problem = server.Bind(port)) return problem;
  std::thread waiter([&server, signals] {
    int taken = 0;
    sigwait(&signals, &taken);
    server.Stop();
  });
  err << "zorhost serve: editing the scale of " << editor.Title() << "; Ctrl-C ends\n";
  out << server.Address() << std::endl;
  server.Serve();
  // Serving may end without a signal (the sockets failed): wake the waiter.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  err << (editor.Unsaved() ? "zorhost serve: stopped; the scale's edits were not saved\n"
                           : "zorhost serve: stopped\n");
  return std::nullopt;
}

}  // namespace

int ZORServeJob(ZORJobArguments& arguments, std::string modulePath, std::ostream& out,
                std::ostream& err) {
  static const std::vector<option> kOptions =
      ZORPaintOptionTable({{"port", required_argument, nullptr, kPort}});
  ZORPaintRequest options;
  int port = 0;
  ZORPaintOptionReader paint(options, modulePath);
  ZORCommandLine read = ZORReadCommandLine(arguments, kOptions, [&](int id, const std::string& value) -> ZOROutcome {
    if (id != kPort) return paint.Take(id, value);
    const std::optional<int> asked = ZORReadInt(value);
    if (!asked || *asked < 1 || *asked > 65535) {
      return ZORUsageProblem("--port is a port from 1 to 65535, not " + ZORShown(value));
    }
    port = *asked;
    return std::nullopt;
  });
  if (!read.problem && read.helpAsked) {
    out << kHelp << ZORPaintOptionsHelp() << kOwnHelp;
    return 0;
  }
  if (!read.problem) read.problem = paint.Finish(read.positional);
  if (read.problem) return ZORReport(read.problem, "serve", err);
  std::unique_ptr<ZORModuleHost> host;
  ZOROutcome problem = ZORModuleHost::Find(modulePath, host);
  if (problem) return ZORReport(problem, "", err);
  options.progress = isatty(STDERR_FILENO) != 0;
  std::unique_ptr<ZORScaleEditor> editor;
  if (ZOROutcome opened = ZORScaleEditor::Open(*host, options, err, editor)) return ZORReport(opened, "serve", err);
  return ZORReport(Serve(*editor, port, out, err), "serve", err);
}
