#include "zorhost/serve/Connections.h"

#include <httplib.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <deque>
#include <filesystem>

namespace {

// A refused client is given this long to take its answer before its socket is closed.
constexpr std::chrono::milliseconds kRefusalLinger{1000};

bool Endpoint(const sockaddr_storage& where, std::string& address, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (where.ss_family == AF_INET) {
    const auto& four = reinterpret_cast<const sockaddr_in&>(where);
    inet_ntop(AF_INET, &four.sin_addr, text, sizeof text);
    port = ntohs(four.sin_port);
  } else if (where.ss_family == AF_INET6) {
    const auto& six = reinterpret_cast<const sockaddr_in6&>(where);
    inet_ntop(AF_INET6, &six.sin6_addr, text, sizeof text);
    port = ntohs(six.sin6_port);
  } else {
    return false;
  }
  address = text;
  return true;
}

// Whatever the client still sends is read and dropped; true once it has closed its side.
bool Drained(int socket) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got == 0) return true;
    if (got < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
  }
}

}  // namespace

void ZORConnectionWatch::Start(int port) {
  port_ = port;
  watcher_ = std::thread([this] { Watch(); });
}

void ZORConnectionWatch::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, std::chrono::milliseconds(100));
    if (stopping_) break;
    Scan();
    const Clock::time_point now = Clock::now();
    for (Connection& connection : connections_) {
      if (connection.phase == Phase::Refused) {
        if (Drained(connection.own) || now - connection.since > kRefusalLinger) {
          close(connection.original);
          connection.original = -1;
        }
      } else if ((connection.phase == Phase::Arriving || connection.phase == Phase::Answering) &&
                 now - connection.since > deadline_) {
        shutdown(connection.own, SHUT_RDWR);
      }
    }
  }
}

void ZORConnectionWatch::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (port_ != 0) Scan();
    for (const Connection& connection : connections_) shutdown(connection.own, SHUT_RDWR);
  }
  wake_.notify_one();
  if (watcher_.joinable()) watcher_.join();
  std::lock_guard lock(mutex_);
  for (const Connection& connection : connections_) {
    if (connection.phase == Phase::Refused && connection.original >= 0) close(connection.original);
    close(connection.own);
  }
  connections_.clear();
}

void ZORConnectionWatch::Enter(const std::string& address, int port, Phase phase) {
  std::lock_guard lock(mutex_);
  Connection* connection = Find(address, port);
  if (connection == nullptr && !stopping_) {
    Scan();  // accepted since the last look
    connection = Find(address, port);
  }
  if (connection == nullptr) return;
  connection->phase = phase;
  connection->since = Clock::now();
}

bool ZORConnectionWatch::StillOpen(const std::string& address, int port) {
  std::lock_guard lock(mutex_);
  const Connection* connection = Find(address, port);
  if (connection == nullptr) return true;
  pollfd watched{connection->own, POLLRDHUP, 0};
  return poll(&watched, 1, 0) <= 0 || (watched.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0;
}

ino_t ZORConnectionWatch::TakeAccepted(int family) {
  std::lock_guard lock(mutex_);
  Scan();
  Connection* accepted = nullptr;
  for (Connection& connection : connections_) {
    if (connection.taken || connection.family != family) continue;
    connection.taken = true;
    connection.phase = Phase::Waiting;
    accepted = &connection;
  }
  return accepted != nullptr ? accepted->inode : 0;
}

void ZORConnectionWatch::Start(ino_t connection) {
  std::lock_guard lock(mutex_);
  if (Connection* started = Find(connection)) {
    started->phase = Phase::Arriving;
    started->since = Clock::now();
  }
}

bool ZORConnectionWatch::Refuse(ino_t connection, const std::string& answer) {
  std::lock_guard lock(mutex_);
  Connection* refused = Find(connection);
  if (refused == nullptr || refused->original < 0) return false;
  // A small answer on a fresh socket: it fits the send buffer whole.
  static_cast<void>(send(refused->own, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT));
  shutdown(refused->own, SHUT_WR);
  refused->phase = Phase::Refused;
  refused->since = Clock::now();
  return true;
}

ZORConnectionWatch::Connection* ZORConnectionWatch::Find(const std::string& address, int port) {
  for (Connection& connection : connections_) {
    if (connection.port == port && connection.address == address && connection.phase != Phase::Refused) {
      return &connection;
    }
  }
  return nullptr;
}

ZORConnectionWatch::Connection* ZORConnectionWatch::Find(ino_t inode) {
  for (Connection& connection : connections_) {
    if (inode != 0 && connection.inode == inode) return &connection;
  }
  return nullptr;
}

// The process's sockets looked through: connections on the server's port taken in, those that
// are gone let go. The watch's own duplicates are passed over: a socket the server has closed is
// seen under no other number.
void ZORConnectionWatch::Scan() {
  for (Connection& connection : connections_) connection.seen = false;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    int fd = -1;
    const std::string name = entry.path().filename();
    if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc()) continue;
    if (std::any_of(connections_.begin(), connections_.end(), [fd](const Connection& c) { return c.own == fd; })) {
      continue;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) continue;
    auto known = std::find_if(connections_.begin(), connections_.end(),
                              [&](const Connection& c) { return c.inode == status.st_ino; });
    if (known != connections_.end()) {
      known->seen = true;
      continue;
    }
    sockaddr_storage local{}, peer{};
    socklen_t localLength = sizeof local, peerLength = sizeof peer;
    std::string localAddress, peerAddress;
    int localPort = 0, peerPort = 0;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
        !Endpoint(local, localAddress, localPort) || localPort != port_ ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0 ||
        !Endpoint(peer, peerAddress, peerPort)) {
      continue;  // another socket, or the listening one
    }
    const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) continue;
    Connection found;
    found.own = own;
    found.original = fd;
    found.inode = status.st_ino;
    found.family = local.ss_family;
    found.address = peerAddress;
    found.port = peerPort;
    found.since = Clock::now();
    found.seen = true;
    connections_.push_back(std::move(found));
  }
  std::erase_if(connections_, [](const Connection& c) {
    if (!c.seen) close(c.own);
    return !c.seen;
  });
}

namespace {

// The answer of a connection no worker can take now.
std::string BusyAnswer() {
  const std::string body = "the editor is busy: try again in a moment\n";
  return "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nContent-Type: text/plain; charset=utf-8\r\n"
         "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

class AdmissionQueue final : public httplib::TaskQueue {
 public:
  AdmissionQueue(ZORConnectionWatch& watch, int family, std::size_t workers, std::size_t waiting)
      : watch_(watch), family_(family), waiting_(waiting) {
    for (std::size_t i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  }
  ~AdmissionQueue() override { shutdown(); }

  // Called by the listener as soon as it has accepted a connection.
  void enqueue(std::function<void()> task) override {
    const ino_t connection = watch_.TakeAccepted(family_);
    std::unique_lock lock(mutex_);
    // A task not run would never close its socket: one the watch cannot refuse waits anyway.
    if (queued_.size() >= waiting_ && !stopping_) {
      lock.unlock();
      if (watch_.Refuse(connection, BusyAnswer())) return;
      lock.lock();
    }
    queued_.push_back({std::move(task), connection});
    wake_.notify_one();
  }

  // The listener has stopped: the workers finish what waits, then end.
  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      if (stopping_ && workers_.empty()) return;
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
  }

 private:
  struct Waiting {
    std::function<void()> task;
    ino_t connection;
  };

  void Work() {
    for (;;) {
      Waiting next;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty()) return;
        next = std::move(queued_.front());
        queued_.pop_front();
      }
      watch_.Start(next.connection);
      next.task();
    }
  }

  ZORConnectionWatch& watch_;
  int family_;
  std::size_t waiting_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Waiting> queued_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

httplib::TaskQueue* ZORNewAdmissionQueue(ZORConnectionWatch& watch, int family, std::size_t workers,
                                         std::size_t waiting) {
  return new AdmissionQueue(watch, family, workers, waiting);
}
