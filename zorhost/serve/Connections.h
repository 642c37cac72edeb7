// The editor's connections: watched for slow clients, and admitted to the workers through a
// bounded queue, so that a request that arrived is answered, or refused at once when the queue
// is full, and time spent waiting for a worker is never taken for a slow client.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class TaskQueue;
}

// The connections being served, each with the phase its request is in: while its request
// arrives and while its answer is taken, a connection has the request deadline; past it, the
// watcher shuts the socket down, which ends the worker's wait. Waiting for a worker has no
// deadline. The library gives no hook on its connections, so the watcher finds them among the
// process's sockets: those on the server's port that have a peer. It keeps a duplicate of each,
// so that it never shuts down a socket whose number was reused; the request handlers say a
// connection's phase by its client's address.
class ZORConnectionWatch {
 public:
  enum class Phase { Waiting, Arriving, Handled, Answering, Refused };

  explicit ZORConnectionWatch(std::chrono::milliseconds deadline) : deadline_(deadline) {}
  ~ZORConnectionWatch() { Stop(); }
  ZORConnectionWatch(const ZORConnectionWatch&) = delete;
  ZORConnectionWatch& operator=(const ZORConnectionWatch&) = delete;

  // Watches the connections on `port` until Stop().
  void Start(int port);
  // Every connection shut down, and the watcher ended.
  void Stop();

  // The connection of the client at `address`:`port` enters `phase`.
  void Enter(const std::string& address, int port, Phase phase);
  // Whether the client at `address`:`port` still waits for its answer: it has not closed its
  // side. Work for a client that left is not done.
  bool StillOpen(const std::string& address, int port);

  // The connection just accepted on `family`'s listener, which waits for a worker from now: its
  // socket's inode, 0 when it is gone already.
  ino_t TakeAccepted(int family);
  // A worker takes the connection up: its request has the deadline from now.
  void Start(ino_t connection);
  // Answers the connection `answer` and closes it, without a worker: the client is given a
  // moment to take the answer, then the socket is closed. False when the connection is not known.
  bool Refuse(ino_t connection, const std::string& answer);

 private:
  using Clock = std::chrono::steady_clock;
  struct Connection {
    int own = -1;       // the watch's duplicate of the socket
    int original = -1;  // the server's descriptor, while it is known to be the same socket
    ino_t inode = 0;
    int family = 0;
    std::string address;
    int port = 0;
    Phase phase = Phase::Arriving;
    Clock::time_point since;
    bool taken = false;  // by a listener, once accepted
    bool seen = false;
  };
  Connection* Find(const std::string& address, int port);
  Connection* Find(ino_t inode);
  void Scan();
  void Watch();

  std::chrono::milliseconds deadline_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Connection> connections_;
  bool stopping_ = false;
  std::thread watcher_;
};

// The workers of one listener (of `family`): `workers` threads, and at most `waiting` connections
// waiting for them; one more is answered 503 with Retry-After at once. For the library's
// new_task_queue.
httplib::TaskQueue* ZORNewAdmissionQueue(ZORConnectionWatch& watch, int family, std::size_t workers,
                                         std::size_t waiting);
