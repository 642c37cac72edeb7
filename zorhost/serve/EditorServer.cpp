#include "zorhost/serve/EditorServer.h"

#include <httplib.h>
#include <sys/random.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <memory>
#include <thread>
#include <vector>
#include <nlohmann/json.hpp>

#include "zor/ZORText.h"
#include "zorhost/common/Numbers.h"
#include "zorhost/common/Limits.h"
#include "zorhost/serve/Connections.h"
#include "zorhost/serve/EmbeddedFiles.h"
#include "zorhost/serve/ViewRequests.h"

namespace {

using nlohmann::json;

constexpr const char* kText = "text/plain; charset=utf-8";

// Equal in a time that does not tell how much of a guess was right.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return difference == 0;
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string CookieValue(const httplib::Request& request, const std::string& name) {
  const std::string header = request.get_header_value("Cookie");
  std::size_t at = 0;
  while (at < header.size()) {
    const std::size_t end = std::min(header.find(';', at), header.size());
    std::string pair = header.substr(at, end - at);
    pair.erase(0, pair.find_first_not_of(' '));
    if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return {};
}

std::string ContentType(std::string_view path) {
  auto ends = [path](std::string_view suffix) {
    return path.size() >= suffix.size() && path.substr(path.size() - suffix.size()) == suffix;
  };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".js")) return "text/javascript; charset=utf-8";
  if (ends(".css")) return "text/css; charset=utf-8";
  if (ends(".svg")) return "image/svg+xml";
  return "application/octet-stream";
}

void Refuse(httplib::Response& response, int status, const std::string& message) {
  response.status = status;
  response.set_content(message + "\n", kText);
}

constexpr const char* kJson = "application/json";

// A change's answer: the state after it, or what was refused.
void SendState(httplib::Response& response, ZORScaleEditor& editor, const ZOROutcome& outcome) {
  if (outcome) return Refuse(response, ZORHttpStatus(*outcome), outcome->message);
  response.set_content(editor.StateJson(), kJson);
}

// The JSON object a request carries, no member given twice; a problem of the input otherwise.
ZOROutcome ReadJsonObject(const std::string& text, json& body) {
  std::vector<std::vector<std::string>> keys;  // of each object open while parsing
  std::string twice;
  const json::parser_callback_t noteKeys = [&](int, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::object_end) keys.pop_back();
    if (event == json::parse_event_t::key && !keys.empty()) {
      const std::string key = parsed.get<std::string>();
      if (twice.empty() && std::find(keys.back().begin(), keys.back().end(), key) != keys.back().end()) twice = key;
      keys.back().push_back(key);
    }
    return true;
  };
  body = json::parse(text, noteKeys, false);
  if (body.is_discarded() || !body.is_object()) return ZORBadInput("the body must be a JSON object");
  if (!twice.empty()) return ZORBadInput("\"" + ZORPrintable(twice) + "\" is given more than once");
  return std::nullopt;
}

// The same, of the members `members` alone; their values are the routes' to judge.
ZOROutcome ReadJsonObject(const std::string& text, std::initializer_list<std::string_view> members, json& body) {
  if (ZOROutcome problem = ReadJsonObject(text, body)) return problem;
  for (const auto& [key, value] : body.items()) {
    if (std::find(members.begin(), members.end(), key) != members.end()) continue;
    std::string taken;
    for (std::string_view member : members) taken += std::string(taken.empty() ? "" : ", ") + "\"" + std::string(member) + "\"";
    return ZORBadInput("unknown member \"" + ZORPrintable(key) + "\": this takes " + taken);
  }
  return std::nullopt;
}

// Whether a request gives no query parameters but the page's own; a 400 answered when it does.
bool OnlyPageParameters(const httplib::Request& request, httplib::Response& response) {
  for (const auto& [name, value] : request.params) {
    if (request.params.count(name) > 1) {
      Refuse(response, 400, "'" + ZORPrintable(name) + "' is given more than once");
      return false;
    }
    if (name != "token" && name != "revision") {
      Refuse(response, 400, "unknown parameter '" + ZORPrintable(name) + "': this takes none");
      return false;
    }
  }
  return true;
}

// A string member of a request's JSON object.
ZOROutcome StringMember(const json& body, const char* key, std::string& value) {
  if (!body.contains(key) || !body[key].is_string()) return ZORBadInput(std::string("the body needs \"") + key + "\", a string");
  value = body[key].get<std::string>();
  return std::nullopt;
}

// An array of points, each three finite numbers.
ZOROutcome PointsMember(const json& body, const char* key, std::vector<ZORVec3>& points) {
  const ZOROutcome refused = ZORBadInput(std::string("the body needs \"") + key + "\", an array of [x, y, z] points");
  if (!body.contains(key) || !body[key].is_array()) return refused;
  for (const json& point : body[key]) {
    if (!point.is_array() || point.size() != 3) return refused;
    for (const json& coordinate : point) {
      if (!coordinate.is_number() || !std::isfinite(coordinate.get<double>())) return refused;
    }
    points.push_back({point[0].get<double>(), point[1].get<double>(), point[2].get<double>()});
    if (points.size() > kZORMostPins) break;  // the editor refuses more
  }
  return std::nullopt;
}

}  // namespace

// A server whose sockets send answers at once (small answers otherwise wait on the client's
// delayed acknowledgements), whose port no other process may share, and whose connections' phases
// the watch is told.
class ZORGuardedServer final : public httplib::Server {
 public:
  ZORGuardedServer(ZORConnectionWatch& watch, int family) : watch_(watch) {
    set_tcp_nodelay(true);
    set_keep_alive_max_count(1000);
    const auto seconds =
        std::chrono::ceil<std::chrono::seconds>(ZOREditorServer::kRequestDeadline).count();
    set_keep_alive_timeout(seconds);
    set_read_timeout(seconds);
    set_write_timeout(seconds);
    // The library's default adds SO_REUSEPORT, with which a second server would share the port.
    set_socket_options([this](int socket) {
      const int yes = 1;
      setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
      listening_ = socket;
    });
    new_task_queue = [this, family] {
      return ZORNewAdmissionQueue(watch_, family, ZOREditorServer::kWorkers, ZOREditorServer::kWaiting);
    };
    set_post_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      watch_.Enter(request.remote_addr, request.remote_port, ZORConnectionWatch::Phase::Answering);
    });
    set_logger([this](const httplib::Request& request, const httplib::Response&) {
      watch_.Enter(request.remote_addr, request.remote_port, ZORConnectionWatch::Phase::Arriving);
    });
  }

  // The library listens with a backlog of 5: a burst of clients past it would wait a second or
  // more for the kernel to take them again. Listening once more sets the system's backlog.
  void WidenBacklog() const {
    if (listening_ >= 0) ::listen(listening_, SOMAXCONN);
  }

 private:
  ZORConnectionWatch& watch_;
  int listening_ = -1;  // the socket the library listens on
};

ZOREditorServer::ZOREditorServer(ZORScaleEditor& editor, std::string token,
                                 std::chrono::milliseconds requestDeadline)
    : editor_(editor),
      token_(std::move(token)),
      watch_(std::make_unique<ZORConnectionWatch>(requestDeadline)) {}

ZOREditorServer::~ZOREditorServer() = default;

std::string ZOREditorServer::NewToken() {
  std::array<unsigned char, 32> bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

std::string ZOREditorServer::CookieName() const { return "zorhost_token_" + std::to_string(port_); }

std::string ZOREditorServer::Address() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

ZOROutcome ZOREditorServer::Bind(int port) {
  // A free port for IPv4 may be taken on ::1: try a few.
  for (int attempt = 0; attempt < 8; ++attempt) {
    loopback4_ = std::make_unique<ZORGuardedServer>(*watch_, AF_INET);
    loopback6_ = std::make_unique<ZORGuardedServer>(*watch_, AF_INET6);
    port_ = port != 0 ? (loopback4_->bind_to_port("127.0.0.1", port) ? port : -1)
                      : loopback4_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
      return ZORBadInput(port != 0 ? "port " + std::to_string(port) + " is in use" : "no free port on 127.0.0.1");
    }
    loopback4_->WidenBacklog();
    if (loopback6_->bind_to_port("::1", port_)) {
      loopback6_->WidenBacklog();
      break;
    }
    loopback6_.reset();
    // With a port given, or with no IPv6 loopback at all, IPv4 alone serves.
    httplib::Server probe;
    if (port != 0 || probe.bind_to_any_port("::1") < 0) break;
  }
  const std::string bound = std::to_string(port_);
  hosts_ = {"127.0.0.1:" + bound, "[::1]:" + bound, "localhost:" + bound};
  Route(*loopback4_);
  if (loopback6_) Route(*loopback6_);
  return std::nullopt;
}

void ZOREditorServer::Serve() {
  watch_->Start(port_);
  std::thread six;
  if (loopback6_) six = std::thread([this] { loopback6_->listen_after_bind(); });
  loopback4_->listen_after_bind();
  if (six.joinable()) six.join();
}

void ZOREditorServer::Stop() {
  if (loopback4_) loopback4_->stop();
  if (loopback6_) loopback6_->stop();
  // The servers end when their workers do: close what the workers wait on.
  watch_->Stop();
}

bool ZOREditorServer::Admit(const httplib::Request& request, httplib::Response& response) const {
  // Host names, schemes and these headers' values are compared without case.
  const std::string host = Lowercase(request.get_header_value("Host"));
  if (std::find(hosts_.begin(), hosts_.end(), host) == hosts_.end()) {
    Refuse(response, 403, "this server answers only to " + hosts_[0] + ", " + hosts_[1] + " or " + hosts_[2]);
    return false;
  }
  const bool tokenInQuery = request.has_param("token") && SameSecret(request.get_param_value("token"), token_);
  if (!tokenInQuery && !SameSecret(CookieValue(request, CookieName()), token_)) {
    Refuse(response, 403, "a token is needed: open the address that zorhost serve printed");
    return false;
  }
  if (request.method != "GET" && request.method != "HEAD") {
    const std::string origin = Lowercase(request.get_header_value("Origin"));
    const std::string site = Lowercase(request.get_header_value("Sec-Fetch-Site"));
    const bool ownOrigin = origin.empty() || std::any_of(hosts_.begin(), hosts_.end(), [&](const std::string& h) {
                             return origin == "http://" + h;
                           });
    if (!ownOrigin || site == "cross-site" || site == "same-site") {
      Refuse(response, 403, "changes are taken from the editor's own page only");
      return false;
    }
  }
  if (tokenInQuery) {
    response.set_header("Set-Cookie", CookieName() + "=" + token_ + "; HttpOnly; SameSite=Strict; Path=/");
    // The page's address without the token, so that it is not kept in the history.
    if (request.path == "/" && request.method == "GET") {
      response.status = 303;
      response.set_header("Location", "/");
      return false;
    }
  }
  return true;
}

void ZOREditorServer::Route(httplib::Server& server) {
  Guard(server);
  RouteReads(server);
  RouteChanges(server);
}

void ZOREditorServer::Guard(httplib::Server& server) {
  server.set_payload_max_length(kZORLargestRequestBody);
  server.set_default_headers({{"Cache-Control", "no-store"},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"},
                              {"Content-Security-Policy",
                               "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'none'"}});

  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (!Admit(request, response)) return httplib::Server::HandlerResponse::Handled;
    // A write without a length or chunks would be read until the connection's deadline.
    if (request.method == "POST" && !request.has_header("Content-Length") && !request.has_header("Transfer-Encoding")) {
      Refuse(response, 411, "a change needs its body's length (Content-Length), even an empty one");
      return httplib::Server::HandlerResponse::Handled;
    }
    // A request without a body has arrived whole; one with a body has when its handler read it.
    if (!request.has_header("Content-Length") && !request.has_header("Transfer-Encoding")) {
      watch_->Enter(request.remote_addr, request.remote_port, ZORConnectionWatch::Phase::Handled);
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    if (response.status == 404) Refuse(response, 404, "no such page");
    if (response.status == 413) {
      Refuse(response, 413, "the request is larger than " + std::to_string(kZORLargestRequestBody) + " bytes");
    }
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response,
                                  std::exception_ptr) { Refuse(response, 500, "the request failed"); });
}

void ZOREditorServer::RouteReads(httplib::Server& server) {
  auto file = [](const std::string& path) {
    return [path](const httplib::Request&, httplib::Response& response) {
      for (const ZOREmbeddedFile& embedded : ZOREmbeddedFiles()) {
        if (embedded.path == path) {
          response.set_content(std::string(embedded.bytes), ContentType(path).c_str());
          return;
        }
      }
      Refuse(response, 404, "no such page");
    };
  };
  server.Get("/", file("editor.html"));
  server.Get("/editor.js", file("editor.js"));
  server.Get("/editor.css", file("editor.css"));

  server.Get("/api/scale", [this](const httplib::Request& request, httplib::Response& response) {
    if (!OnlyPageParameters(request, response)) return;
    response.set_content(editor_.StateJson(), kJson);
  });
  // A picture or a probe: the query read onto the editor's view, then answered.
  using ViewAnswer = std::function<ZOROutcome(const ZORViewQuery& query, std::string& body)>;
  auto ofView = [this](ZORViewQueryKind kind, const char* type, ViewAnswer answer) {
    return [this, kind, type, answer](const httplib::Request& request, httplib::Response& response) {
      // A client that left while its request waited is not answered.
      if (!watch_->StillOpen(request.remote_addr, request.remote_port)) return Refuse(response, 400, "the client left");
      ZORViewQuery query;
      query.view = editor_.View();
      std::string body;
      ZOROutcome problem = ZORReadViewQuery(request.params, kind, editor_.HasView(), query);
      if (!problem) problem = answer(query, body);
      if (problem) return Refuse(response, ZORHttpStatus(*problem), problem->message);
      response.set_content(body, type);
    };
  };
  server.Get("/api/picture.png", ofView(ZORViewQueryKind::Picture, "image/png", [this](const ZORViewQuery& query, std::string& png) {
    return editor_.Picture(query.view, query.draft, png);
  }));
  server.Get("/api/probe", ofView(ZORViewQueryKind::Probe, kJson, [this](const ZORViewQuery& query, std::string& answer) {
    return editor_.Probe(query.view, query.pixel, answer);
  }));
  server.Get("/api/figure.png", [this](const httplib::Request& request, httplib::Response& response) {
    if (!OnlyPageParameters(request, response)) return;
    std::string png;
    if (const ZOROutcome problem = editor_.Figure(png)) return Refuse(response, ZORHttpStatus(*problem), problem->message);
    response.set_content(png, "image/png");
  });
  server.Get("/api/legend.svg", [this](const httplib::Request& request, httplib::Response& response) {
    if (!OnlyPageParameters(request, response)) return;
    response.set_content(editor_.LegendSvg(), "image/svg+xml");
  });
  server.Get(R"(/api/scale\.(cpt|json|csv))", [this](const httplib::Request& request, httplib::Response& response) {
    if (!OnlyPageParameters(request, response)) return;
    std::string text, fileName;
    if (const ZOROutcome problem = editor_.ExportScale(request.matches[1], text, fileName)) {
      return Refuse(response, ZORHttpStatus(*problem), problem->message);
    }
    response.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
    response.set_content(text, request.matches[1] == "json" ? kJson : request.matches[1] == "csv" ? "text/csv; charset=utf-8" : kText);
  });
  server.Get("/api/settings", [this](const httplib::Request& request, httplib::Response& response) {
    if (!OnlyPageParameters(request, response)) return;
    response.set_content(editor_.RepositoriesJson(), kJson);
  });
}

void ZOREditorServer::Post(httplib::Server& server, const std::string& path, const BodyHandler& handle) {
  // A write's body is read as it arrives and refused past kZORLargestRequestBody, whatever its
  // framing.
  server.Post(path, [handle, &watch = *watch_](const httplib::Request& request, httplib::Response& response,
                                              const httplib::ContentReader& reader) {
    if (!OnlyPageParameters(request, response)) return;
    std::string body;
    bool tooLarge = false;
    const bool whole = reader([&body, &tooLarge](const char* data, std::size_t length) {
      tooLarge = body.size() + length > kZORLargestRequestBody;
      if (!tooLarge) body.append(data, length);
      return !tooLarge;
    });
    if (tooLarge) {
      // The rest of the body is never read: the connection cannot carry another request.
      response.set_header("Connection", "close");
      return Refuse(response, 413, "the request is larger than " + ZORShownBytes(kZORLargestRequestBody));
    }
    if (!whole) {
      return Refuse(response, 400, "the request's body cannot be read: its chunks or its compression are damaged");
    }
    watch.Enter(request.remote_addr, request.remote_port, ZORConnectionWatch::Phase::Handled);
    handle(body, response);
  });
}

void ZOREditorServer::RouteChanges(httplib::Server& server) {
  RouteScripts(server);
  RouteJsonChanges(server);
}

void ZOREditorServer::RouteScripts(httplib::Server& server) {
  auto change = [this](ZOROutcome (ZORScaleEditor::*method)()) {
    return [this, method](const std::string&, httplib::Response& response) {
      SendState(response, editor_, (editor_.*method)());
    };
  };
  Post(server, "/api/undo", change(&ZORScaleEditor::Undo));
  Post(server, "/api/redo", change(&ZORScaleEditor::Redo));
  Post(server, "/api/script", [this](const std::string& body, httplib::Response& response) {
    std::string output;
    if (const ZOROutcome problem = editor_.RunScript(body, output)) {
      return Refuse(response, ZORHttpStatus(*problem), problem->message);
    }
    response.set_content(output, kText);
  });
  // The page's edits: script lines run, answered in one round trip with what they printed and
  // the state after them.
  Post(server, "/api/edit", [this](const std::string& body, httplib::Response& response) {
    std::string output;
    if (const ZOROutcome problem = editor_.RunScript(body, output)) {
      return Refuse(response, ZORHttpStatus(*problem), problem->message);
    }
    const json printed = output;
    response.set_content("{\"output\":" + printed.dump(-1, ' ', false, json::error_handler_t::replace) +
                             ",\"state\":" + editor_.StateJson() + "}",
                         kJson);
  });
}

void ZOREditorServer::RouteJsonChanges(httplib::Server& server) {
  Post(server, "/api/view", [this](const std::string& text, httplib::Response& response) {
    json body;
    ZORPictureSettings view = editor_.View();
    ZOROutcome problem = ReadJsonObject(text, body);  // the view's reader judges its members
    if (!problem) problem = ZORReadViewChange(body, view);
    if (!problem) problem = editor_.SetView(view);
    SendState(response, editor_, problem);
  });
  Post(server, "/api/preset", [this](const std::string& text, httplib::Response& response) {
    json body;
    std::string name;
    ZOROutcome problem = ReadJsonObject(text, {"name", "blocks"}, body);
    if (!problem) problem = StringMember(body, "name", name);
    std::optional<int> blocks;
    if (!problem && body.contains("blocks")) {
      if (!body["blocks"].is_number_integer()) return Refuse(response, 400, "\"blocks\" must be a whole number");
      blocks = static_cast<int>(std::clamp<long long>(body["blocks"].get<long long>(), -1, 1 << 30));
    }
    SendState(response, editor_, problem ? problem : editor_.ImposePreset(name, blocks));
  });
  auto named = [this](ZOROutcome (ZORScaleEditor::*method)(const std::string&), const char* key) {
    return [this, method, key](const std::string& text, httplib::Response& response) {
      json body;
      std::string value;
      ZOROutcome problem = ReadJsonObject(text, {key}, body);
      if (!problem) problem = StringMember(body, key, value);
      SendState(response, editor_, problem ? problem : (editor_.*method)(value));
    };
  };
  Post(server, "/api/classify", named(&ZORScaleEditor::Classify, "method"));
  Post(server, "/api/range", named(&ZORScaleEditor::SetRange, "range"));
  Post(server, "/api/settings/load", named(&ZORScaleEditor::Load, "name"));
  Post(server, "/api/settings/save", named(&ZORScaleEditor::Save, "name"));
  Post(server, "/api/tolerance", named(&ZORScaleEditor::SetTolerance, "tolerance"));
  Post(server, "/api/pass-share", named(&ZORScaleEditor::SetPassShare, "share"));
  Post(server, "/api/stripes", named(&ZORScaleEditor::SetStripes, "stripes"));
  Post(server, "/api/edges", named(&ZORScaleEditor::SetEdges, "edges"));
  Post(server, "/api/pins", [this](const std::string& text, httplib::Response& response) {
    json body;
    ZOROutcome problem = ReadJsonObject(text, {"points"}, body);
    std::vector<ZORVec3> points;
    if (!problem) problem = PointsMember(body, "points", points);
    SendState(response, editor_, problem ? problem : editor_.SetPins(points));
  });
}
