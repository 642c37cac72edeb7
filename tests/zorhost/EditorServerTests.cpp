// The editor's server under clients that misbehave: slow ones never hold every worker, a stop
// ends them at once, and a port in use is not shared.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "support/ZORTestSupport.h"
#include "zorhost/serve/EditorServer.h"

namespace {

using Clock = std::chrono::steady_clock;

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  return fd;
}

void Send(int fd, const std::string& text) {
  EXPECT_GE(send(fd, text.data(), text.size(), MSG_NOSIGNAL), 0);
}

// The status line of the answer to `request`, or empty when none came within `wait`.
std::string Ask(int port, const std::string& request, std::chrono::milliseconds wait) {
  const int fd = Connect(port);
  timeval timeout{static_cast<long>(wait.count() / 1000), static_cast<long>(wait.count() % 1000 * 1000)};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  Send(fd, request);
  char buffer[256] = {};
  const ssize_t got = recv(fd, buffer, sizeof buffer - 1, 0);
  close(fd);
  if (got <= 0) return {};
  const std::string answer(buffer, static_cast<std::size_t>(got));
  return answer.substr(0, answer.find("\r\n"));
}

class EditorServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ZORModuleHost::Open(ZOR_MODULE_PATH, host_), std::nullopt);
    ZORPaintRequest options;
    options.source.sample = ZORValueSource::Sample::Field;
    ASSERT_EQ(ZORScaleEditor::Open(*host_, options, std::cerr, editor_), std::nullopt);
  }

  ZORTemporarySettingsFolder settings_;
  std::unique_ptr<ZORModuleHost> host_;
  std::unique_ptr<ZORScaleEditor> editor_;
};

TEST_F(EditorServer, SlowClientsCannotHoldEveryWorkerAndAStopEndsThem) {
  constexpr auto kDeadline = std::chrono::milliseconds(1000);
  ZOREditorServer server(*editor_, "secret", kDeadline);
  ASSERT_EQ(server.Bind(0), std::nullopt);
  const int port = server.Port();
  std::thread serving([&server] { server.Serve(); });
  const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";

  // One more slow client than there are workers, each sending a header line now and then and
  // never the end of its headers.
  std::atomic<bool> trickling = true;
  std::vector<int> slow;
  for (std::size_t i = 0; i < ZOREditorServer::kWorkers + 1; ++i) {
    slow.push_back(Connect(port));
    Send(slow.back(), "GET /api/scale?token=secret HTTP/1.1\r\n" + host);
  }
  std::thread trickle([&] {
    while (trickling) {
      for (int fd : slow) send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Clock::time_point asked = Clock::now();
  EXPECT_EQ(Ask(port, "GET /api/scale?token=secret HTTP/1.1\r\n" + host + "\r\n",
                std::chrono::milliseconds(6000)),
            "HTTP/1.1 200 OK");
  EXPECT_LT(Clock::now() - asked, kDeadline * 3);

  // More slow clients, then a stop: it ends within a second, whatever they do.
  for (int i = 0; i < 4; ++i) Send(Connect(port), "GET / HTTP/1.1\r\n" + host);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const Clock::time_point stopped = Clock::now();
  server.Stop();
  serving.join();
  EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(1));
  trickling = false;
  trickle.join();
  for (int fd : slow) close(fd);
}

// A burst of picture requests, more than the workers and the queue take: each is answered, the
// ones the queue cannot take at once with 503 and Retry-After, however long the others wait for a
// worker; none is closed unanswered, and the server answers at once after the burst.
TEST(EditorServerBurst, EveryRequestThatArrivedIsAnsweredOrRefusedAtOnce) {
  std::unique_ptr<ZORModuleHost> module;
  ASSERT_EQ(ZORModuleHost::Open(ZOR_MODULE_PATH, module), std::nullopt);
  ZORPaintRequest options;  // the sample part
  options.picture.width = 160;
  options.picture.height = 120;
  std::unique_ptr<ZORScaleEditor> editor;
  ASSERT_EQ(ZORScaleEditor::Open(*module, options, std::cerr, editor), std::nullopt);
  constexpr auto kDeadline = std::chrono::milliseconds(500);
  ZOREditorServer server(*editor, "secret", kDeadline);
  ASSERT_EQ(server.Bind(0), std::nullopt);
  const int port = server.Port();
  std::thread serving([&server] { server.Serve(); });
  const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";

  constexpr int kBurst = 120;
  std::vector<int> clients;
  for (int i = 0; i < kBurst; ++i) {
    clients.push_back(Connect(port));
    Send(clients.back(), "GET /api/picture.png?token=secret&size=160x120&view=" + std::to_string(i) +
                             ",20 HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n");
  }
  int answered = 0, refused = 0;
  for (int fd : clients) {
    timeval timeout{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[512] = {};
    const ssize_t got = recv(fd, buffer, sizeof buffer - 1, 0);
    close(fd);
    const std::string answer(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (answer.rfind("HTTP/1.1 200 OK", 0) == 0) {
      ++answered;
    } else {
      EXPECT_EQ(answer.rfind("HTTP/1.1 503", 0), 0u) << "closed without an answer: '" << answer << "'";
      EXPECT_NE(answer.find("Retry-After: 1"), std::string::npos) << answer;
      ++refused;
    }
  }
  EXPECT_EQ(answered + refused, kBurst);
  EXPECT_GE(answered, static_cast<int>(ZOREditorServer::kWorkers + ZOREditorServer::kWaiting) / 2);
  const Clock::time_point asked = Clock::now();
  EXPECT_EQ(Ask(port, "GET /api/scale?token=secret HTTP/1.1\r\n" + host + "\r\n", std::chrono::milliseconds(3000)),
            "HTTP/1.1 200 OK");
  EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1));
  server.Stop();
  serving.join();
}

TEST_F(EditorServer, APortInUseIsNotShared) {
  ZOREditorServer first(*editor_, "one");
  ASSERT_EQ(first.Bind(0), std::nullopt);
  ZOREditorServer second(*editor_, "two");
  const ZOROutcome taken = second.Bind(first.Port());
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->message, "port " + std::to_string(first.Port()) + " is in use");
}

}  // namespace
