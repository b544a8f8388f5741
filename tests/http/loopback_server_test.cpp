// The test server itself: other areas' tests rely on what it records and on
// the way it picks its answers.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "support/loopback_server.h"

using loopback::LoopbackServer;
using loopback::Reply;

namespace {

// Sends `request` on a fresh connection and reads until the server closes it.
std::string exchange(uint16_t port, const std::string& request) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port);
  std::string answer;
  if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
    send(s, request.data(), int(request.size()), 0);
    char buffer[4096];
    int got;
    while ((got = recv(s, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, size_t(got));
  }
  closesocket(s);
  return answer;
}

TEST(LoopbackServer, RecordsEveryByteAndParsesTheParts) {
  LoopbackServer server;
  server.serve("/x", "hi");
  const std::string request =
      "POST /x?num_iid=42&a= HTTP/1.1\r\nHost: shop\r\nx-one:  1\r\nX-One: 2\r\nContent-Length: 5\r\n"
      "Connection: close\r\n\r\nhello";
  std::string answer = exchange(server.port(), request);
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
  EXPECT_EQ(answer.substr(answer.size() - 4), "\r\nhi");

  loopback::RecordedRequest r = server.lastRequest();
  EXPECT_EQ(r.raw, request);
  EXPECT_EQ(r.requestLine, "POST /x?num_iid=42&a= HTTP/1.1");
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/x?num_iid=42&a=");
  EXPECT_EQ(r.path, "/x");
  EXPECT_EQ(r.query, "num_iid=42&a=");
  EXPECT_EQ(r.version, "HTTP/1.1");
  EXPECT_EQ(r.headerLines, (std::vector<std::string>{"Host: shop", "x-one:  1", "X-One: 2", "Content-Length: 5",
                                                     "Connection: close"}));
  EXPECT_EQ(r.header("X-ONE"), "1");
  EXPECT_EQ(r.headerCount("x-one"), 2);
  EXPECT_EQ(r.header("Cookie"), std::nullopt);
  EXPECT_EQ(r.queryParam("num_iid"), "42");
  EXPECT_EQ(r.queryParam("a"), "");
  EXPECT_EQ(r.queryParam("b"), std::nullopt);
  EXPECT_EQ(r.body, "hello");
}

TEST(LoopbackServer, AnswersByTargetThenPathThenHandler) {
  LoopbackServer server;
  server.serveTarget("/a?page=2", Reply::text("exact"));
  server.serve("/a", "path");
  server.setHandler([](const loopback::RecordedRequest& r) -> std::optional<Reply> {
    if (auto id = r.queryParam("num_iid")) return Reply::text("item " + *id);
    return std::nullopt;
  });
  auto bodyOf = [&](const std::string& target) {
    std::string answer = exchange(server.port(), "GET " + target + " HTTP/1.0\r\n\r\n");
    size_t end = answer.find("\r\n\r\n");
    return answer.substr(0, answer.find("\r\n")) + "|" + (end == std::string::npos ? "" : answer.substr(end + 4));
  };
  EXPECT_EQ(bodyOf("/a?page=2"), "HTTP/1.0 200 OK|exact");
  EXPECT_EQ(bodyOf("/a?page=3"), "HTTP/1.0 200 OK|path");
  EXPECT_EQ(bodyOf("/router/rest?num_iid=77"), "HTTP/1.0 200 OK|item 77");
  EXPECT_EQ(bodyOf("/elsewhere"), "HTTP/1.0 404 Not Found|not found");
}

TEST(LoopbackServer, KeepsConnectionsAliveAndStopsWhileStalled) {
  // The client socket outlives the server, and with it the server's Winsock start.
  WSADATA winsock;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
  auto server = std::make_unique<LoopbackServer>();
  Reply never;
  never.stall = true;
  server->serve("/stall", never);
  server->serve("/x", "x");
  // Two requests in one write: both answered on the one connection, then the stall.
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(server->port());
  ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  std::string requests = "GET /x HTTP/1.1\r\nHost: a\r\n\r\nGET /x HTTP/1.1\r\nHost: a\r\n\r\nGET /stall HTTP/1.1\r\n\r\n";
  send(s, requests.data(), int(requests.size()), 0);
  EXPECT_TRUE(server->waitForRequests(3, 5000));
  EXPECT_EQ(server->connectionsAccepted(), 1u);
  server.reset();  // must not hang on the stalled answer
  std::string answer;
  char buffer[4096];
  int got;
  while ((got = recv(s, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, size_t(got));
  closesocket(s);
  EXPECT_EQ(answer.find("HTTP/1.1 200 OK"), 0u);
  EXPECT_NE(answer.find("HTTP/1.1 200 OK", 10), std::string::npos);
  WSACleanup();
}

}  // namespace
