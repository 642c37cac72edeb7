#include "zorhost/serve/Serve.h"

#include <pthread.h>
#include <signal.h>

#include <ostream>
#include <thread>

#include "zorhost/serve/EditorServer.h"
#include "zorhost/serve/ScaleEditor.h"

namespace {

// SIGINT and SIGTERM held back from every thread, to be taken by one that waits for them.
sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

int ZORServe(ZORModuleHost& host, const ZORRenderOptions& options, int port, std::ostream& out,
             std::ostream& err) {
  std::string error;
  int status = 1;
  std::unique_ptr<ZORScaleEditor> editor = ZORScaleEditor::Open(host, options, error, status);
  if (!editor) {
    err << "zorhost serve: " << error << '\n';
    return status;
  }
  // Before the server starts its threads, so that they inherit the mask.
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ZOREditorServer server(*editor, ZOREditorServer::NewToken());
  if (!server.Bind(port, error)) {
    err << "zorhost serve: " << error << '\n';
    return 2;
  }
  std::thread waiter([&server, signals] {
    int taken = 0;
    sigwait(&signals, &taken);
    server.Stop();
  });
  err << "zorhost serve: editing the scale of " << editor->Title() << "; Ctrl-C ends\n";
  out << server.Address() << std::endl;
  server.Serve();
  // Serving may end without a signal (the sockets failed): wake the waiter.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  if (editor->Unsaved()) {
    err << "zorhost serve: stopped; the scale's edits were not saved\n";
  } else {
    err << "zorhost serve: stopped\n";
  }
  return 0;
}
