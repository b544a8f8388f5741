// LoopbackServer: a small HTTP/1.0 and HTTP/1.1 server on 127.0.0.1 that runs
// inside a test program (and, as tools/demo_marketplace, on its own).
//
//   loopback::LoopbackServer server;                 // ephemeral port, serving at once
//   server.serve("/item.htm", "<html>...</html>");   // any query on that path
//   server.serveTarget("/s?page=2", loopback::Reply::text("two"));  // this exact path+query
//   server.setHandler([](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
//     if (auto id = r.queryParam("num_iid")) return loopback::Reply::text("<item>" + *id + "</item>");
//     return std::nullopt;                           // fall through to 404
//   });
//   std::string page = fetchPage(server.url("/item.htm?id=1"));
//   loopback::RecordedRequest sent = server.lastRequest();  // what went out, byte for byte
//
// Answers are chosen in this order: a serveTarget() route for the exact target
// (path and query), a serve() route for the path, the handler, else 404.
// Misbehaviour on demand, all per Reply: delayMs (answer late), stall (never
// answer; the connection is held until stop()), closeAfterBodyBytes (announce the
// whole body, send only a part, close), stallAfterBodyBytes (send a part, then
// hold the connection until stop()), huge bodies (patternBytes), any header
// lines (cookie(), header(), long ones included), sendContentLength = false
// (close-delimited body).
//
// Every request is recorded when it has been read completely, before it is
// answered, so a test can look at a request whose answer stalls. Each
// connection has a thread of its own; connections are kept alive the HTTP/1.x
// way. Request bodies are read by Content-Length (chunked request bodies are not
// understood). All members may be called from any thread. The server starts
// Winsock for its own lifetime: raw sockets of a test that outlive it need a
// WSAStartup of their own. The destructor stops
// the server: the listener closes, stalled and delayed answers are dropped, every
// connection closes and every thread is joined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loopback {

struct RecordedRequest {
  std::string raw;          // every byte received: request line, header lines, blank line, body
  std::string requestLine;  // "GET /a.htm?x=1 HTTP/1.1"
  std::string method;       // as sent, letter case unchanged
  std::string target;       // "/a.htm?x=1" (or the absolute form a proxy receives)
  std::string path;         // target before "?"
  std::string query;        // target after "?", not decoded
  std::string version;      // "HTTP/1.1"
  std::vector<std::string> headerLines;  // "Name: value", in the order sent, without CRLF
  std::string body;

  // Value of the first header of that name (any letter case), leading spaces removed.
  std::optional<std::string> header(std::string_view name) const;
  // How many header lines carry that name (any letter case).
  int headerCount(std::string_view name) const;
  // Raw (not decoded) value of the first query parameter of that name.
  std::optional<std::string> queryParam(std::string_view name) const;
};

struct Reply {
  int status = 200;
  std::string reason = "OK";
  std::string contentType = "text/html";  // empty: no Content-Type line
  std::vector<std::string> headers;       // further lines "Name: value" (no CRLF), in order
  std::string body;
  bool sendContentLength = true;          // false: no Content-Length; the connection closes after the body
  unsigned delayMs = 0;                   // wait this long before answering (cut short by stop())
  bool stall = false;                     // never answer; hold the connection until stop()
  std::optional<size_t> closeAfterBodyBytes;  // send the headers and this many body bytes, then close
  std::optional<size_t> stallAfterBodyBytes;  // send the headers and this many body bytes, then hold until stop()

  static Reply text(std::string body, std::string contentType = "text/html");
  static Reply withStatus(int status, std::string reason, std::string body);
  Reply& header(std::string line);        // adds "Name: value"
  Reply& cookie(std::string setCookie);   // adds "Set-Cookie: " + setCookie
};

// `count` deterministic bytes of all 256 values, for large bodies that must
// arrive intact.
std::string patternBytes(size_t count, unsigned seed = 0);

class LoopbackServer {
 public:
  using Handler = std::function<std::optional<Reply>(const RecordedRequest&)>;

  // Listens on 127.0.0.1 at an ephemeral port (or the given one); throws
  // std::runtime_error when the port cannot be had.
  LoopbackServer();
  explicit LoopbackServer(uint16_t port);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t port() const;
  std::string hostPort() const;                               // "127.0.0.1:54321"
  std::string url(std::string_view pathAndQuery = "/") const;  // "http://127.0.0.1:54321" + pathAndQuery

  void serve(const std::string& path, Reply reply);
  void serve(const std::string& path, std::string body, std::string contentType = "text/html");
  void serveTarget(const std::string& target, Reply reply);
  void setHandler(Handler handler);

  std::vector<RecordedRequest> requests() const;
  size_t requestCount() const;
  RecordedRequest lastRequest() const;  // an empty record when nothing came
  // True once at least `count` requests have been recorded, false after `timeoutMs`.
  bool waitForRequests(size_t count, unsigned timeoutMs) const;
  void clearRequests();
  size_t connectionsAccepted() const;

  // Idempotent; the destructor calls it.
  void stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace loopback
