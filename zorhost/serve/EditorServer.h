// The editor's web server: the page and its API on the loopback addresses only, for the holder
// of the token it prints.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "zorhost/serve/ScaleEditor.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}

class ZORConnectionWatch;
class ZORGuardedServer;

class ZOREditorServer {
 public:
  // Threads that answer requests, on each loopback address, and connections that may wait for
  // them: past those, a connection is answered 503 at once.
  static constexpr std::size_t kWorkers = 8;
  static constexpr std::size_t kWaiting = 64;
  // A request's headers and body must arrive within this, counted from the connection's start or
  // from the answer before; an answer must be taken within it. A connection that idles or
  // trickles past it is closed, so that slow clients cannot hold every worker.
  static constexpr std::chrono::milliseconds kRequestDeadline{5000};

  ZOREditorServer(ZORScaleEditor& editor, std::string token,
                  std::chrono::milliseconds requestDeadline = kRequestDeadline);
  ~ZOREditorServer();

  // Binds 127.0.0.1, and ::1 where the machine has it, on `port`, or on a free port for 0.
  // A problem when the port cannot be had ("port N is in use").
  ZOROutcome Bind(int port);
  int Port() const { return port_; }
  // The address to open: the page, with the token.
  std::string Address() const;
  // Serves until Stop().
  void Serve();
  // Stops serving; connections still open are closed at once, however slow their clients.
  void Stop();

  // A token no one can guess: 32 bytes from the kernel's random source, in hex.
  static std::string NewToken();

 private:
  void Route(httplib::Server& server);
  // The answers' headers, the admission of every request, and the answers to what fails.
  void Guard(httplib::Server& server);
  // The page and what it reads: the state, the picture, the legend, the repositories.
  void RouteReads(httplib::Server& server);
  // The changes, each made by the editor and answered with the state after it: script lines and
  // undo, and the changes a JSON object asks for.
  void RouteChanges(httplib::Server& server);
  void RouteScripts(httplib::Server& server);
  void RouteJsonChanges(httplib::Server& server);
  // A POST route: its body read whole, within the limit, then handed to `handle`.
  using BodyHandler = std::function<void(const std::string& body, httplib::Response&)>;
  void Post(httplib::Server& server, const std::string& path, const BodyHandler& handle);
  // Whether a request goes on to its route: from a loopback host name (no DNS rebinding), with
  // the token, and a write from the page's own origin. Otherwise `response` is the answer.
  bool Admit(const httplib::Request& request, httplib::Response& response) const;
  // Browsers send a host's cookies to every port of it: the token's cookie is named by the port,
  // so that the editors of one browser keep theirs apart.
  std::string CookieName() const;

  ZORScaleEditor& editor_;
  std::string token_;
  int port_ = 0;
  std::array<std::string, 3> hosts_;  // the Host values answered: 127.0.0.1, [::1], localhost
  std::unique_ptr<ZORConnectionWatch> watch_;
  std::unique_ptr<ZORGuardedServer> loopback4_;
  std::unique_ptr<ZORGuardedServer> loopback6_;  // null when there is no ::1
};
