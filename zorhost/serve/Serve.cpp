#include "zorhost/serve/Serve.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// SIGINT and SIGTERM end the serving. The kernel's mesher may have started threads of its own
// before serving began, with these signals open to them, and the system hands a signal to any
// thread that takes it: so a handler, which may run on any thread, writes a byte to a pipe, and
// one thread waits for the byte.
int endingPipe[2] = {-1, -1};

extern "C" void OnEndingSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(endingPipe[1], &byte, 1);
}

sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Waits for the byte a signal writes (or serving's end writes).
void AwaitEnding() {
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  char byte = 0;
  while (read(endingPipe[0], &byte, 1) < 0 && errno == EINTR) {
  }
}

// Serves `editor` until a signal; the address first on `out`.
ZOROutcome Serve(ZORScaleEditor& editor, int port, std::ostream& out, std::ostream& err) {
  // Each of the server's threads would keep an allocation arena of its own, each holding what
  // the last large answer freed: a scale of 65536 blocks would grow the process by hundreds of
  // megabytes an edit. Two arenas hold the memory to what is in use.
  mallopt(M_ARENA_MAX, 2);
  if (pipe2(endingPipe, O_CLOEXEC) != 0) return ZORFailure(std::string("no pipe for Ctrl-C: ") + std::strerror(errno));
  struct sigaction ending {};
  ending.sa_handler = &OnEndingSignal;
  ending.sa_flags = SA_RESTART;
  sigaction(SIGINT, &ending, nullptr);
  sigaction(SIGTERM, &ending, nullptr);
  // Held back from the server's threads, which inherit the mask; the waiter takes them.
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ZOREditorServer server(editor, ZOREditorServer::NewToken());
  if (ZOROutcome problem = server.Bind(port)) return problem;
  std::thread waiter([&server] {
    AwaitEnding();
    server.Stop();
  });
  err << "zorhost serve: editing the scale of " << editor.Title() << "; Ctrl-C ends\n";
  out << server.Address() << std::endl;
  server.Serve();
  // Serving may end without a signal (the sockets failed): wake the waiter.
  OnEndingSignal(0);
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
