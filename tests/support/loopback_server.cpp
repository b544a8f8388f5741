#include "support/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <condition_variable>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace loopback {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Splits "Name: value" into its name and its value without leading spaces.
bool splitHeader(std::string_view line, std::string_view& name, std::string_view& value) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  name = line.substr(0, colon);
  value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  return true;
}

RecordedRequest parseRequest(std::string raw, size_t headEnd) {
  RecordedRequest r;
  r.raw = std::move(raw);
  std::string_view head(r.raw.data(), headEnd);  // up to the blank line
  size_t eol = head.find("\r\n");
  r.requestLine = std::string(head.substr(0, eol));
  size_t pos = eol == std::string_view::npos ? head.size() : eol + 2;
  while (pos < head.size()) {
    size_t next = head.find("\r\n", pos);
    if (next == std::string_view::npos) next = head.size();
    if (next > pos) r.headerLines.emplace_back(head.substr(pos, next - pos));
    pos = next + 2;
  }
  r.body = r.raw.substr(headEnd + 4);

  size_t sp1 = r.requestLine.find(' ');
  size_t sp2 = sp1 == std::string::npos ? std::string::npos : r.requestLine.find(' ', sp1 + 1);
  r.method = r.requestLine.substr(0, sp1);
  if (sp1 != std::string::npos) r.target = r.requestLine.substr(sp1 + 1, sp2 == std::string::npos ? sp2 : sp2 - sp1 - 1);
  if (sp2 != std::string::npos) r.version = r.requestLine.substr(sp2 + 1);
  size_t q = r.target.find('?');
  r.path = r.target.substr(0, q);
  if (q != std::string::npos) r.query = r.target.substr(q + 1);
  return r;
}

size_t contentLengthOf(std::string_view head) {
  size_t pos = head.find("\r\n");
  while (pos != std::string_view::npos && pos + 2 < head.size()) {
    size_t start = pos + 2;
    size_t next = head.find("\r\n", start);
    std::string_view line = head.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
    std::string_view name, value;
    if (splitHeader(line, name, value) && sameNoCase(name, "Content-Length")) {
      size_t n = 0;
      for (char c : value) {
        if (c < '0' || c > '9') break;
        n = n * 10 + size_t(c - '0');
      }
      return n;
    }
    pos = next;
  }
  return 0;
}

bool wantsKeepAlive(const RecordedRequest& r) {
  auto connection = r.header("Connection");
  if (r.version == "HTTP/1.1") return !(connection && sameNoCase(*connection, "close"));
  return connection && sameNoCase(*connection, "keep-alive");
}

class WinsockUser {
 public:
  WinsockUser() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("loopback: WSAStartup failed");
  }
  ~WinsockUser() { WSACleanup(); }
};

constexpr long kPollMicroseconds = 50 * 1000;  // how quickly a blocked socket wait notices stop()

}  // namespace

struct LoopbackServer::Impl {
  struct Connection {
    SOCKET socket = INVALID_SOCKET;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  WinsockUser winsock;
  SOCKET listener = INVALID_SOCKET;
  uint16_t port = 0;
  std::atomic<bool> stopping{false};
  std::thread acceptor;

  mutable std::mutex lock;
  mutable std::condition_variable changed;  // a request was recorded, or stop() began
  std::map<std::string, Reply> byPath;
  std::map<std::string, Reply> byTarget;
  Handler handler;
  std::vector<RecordedRequest> recorded;
  size_t accepted = 0;
  std::list<Connection> connections;

  // Waits until `socket` is readable (or writable); false once stopping.
  bool waitFor(SOCKET socket, bool write) {
    while (!stopping) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(socket, &set);
      timeval tv{0, kPollMicroseconds};
      int n = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv);
      if (n > 0) return true;
      if (n < 0) return false;
    }
    return false;
  }

  bool receiveSome(SOCKET socket, std::string& into) {
    char buffer[65536];
    for (;;) {
      if (!waitFor(socket, false)) return false;
      int got = recv(socket, buffer, sizeof buffer, 0);
      if (got > 0) {
        into.append(buffer, size_t(got));
        return true;
      }
      if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK) return false;
    }
  }

  bool sendAll(SOCKET socket, const char* data, size_t size) {
    while (size > 0) {
      int chunk = int(size > 65536 ? 65536 : size);
      int sent = send(socket, data, chunk, 0);
      if (sent > 0) {
        data += sent;
        size -= size_t(sent);
        continue;
      }
      if (sent < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
      if (!waitFor(socket, true)) return false;
    }
    return true;
  }

  // Sleeps `ms` (forever when 0 and `forever`); false when stop() cut it short.
  bool pause(unsigned ms, bool forever) {
    std::unique_lock<std::mutex> hold(lock);
    if (forever) {
      changed.wait(hold, [&] { return stopping.load(); });
      return false;
    }
    return !changed.wait_for(hold, std::chrono::milliseconds(ms), [&] { return stopping.load(); });
  }

  Reply choose(const RecordedRequest& r) {
    Handler h;
    {
      std::lock_guard<std::mutex> hold(lock);
      auto t = byTarget.find(r.target);
      if (t != byTarget.end()) return t->second;
      auto p = byPath.find(r.path);
      if (p != byPath.end()) return p->second;
      h = handler;
    }
    if (h) {
      if (std::optional<Reply> answer = h(r)) return std::move(*answer);
    }
    return Reply::withStatus(404, "Not Found", "not found");
  }

  void serveConnection(SOCKET socket) {
    std::string buffer;
    for (;;) {
      size_t headEnd;
      while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > (1u << 20) || !receiveSome(socket, buffer)) return;
      }
      const size_t total = headEnd + 4 + contentLengthOf(std::string_view(buffer).substr(0, headEnd + 2));
      while (buffer.size() < total) {
        if (!receiveSome(socket, buffer)) return;
      }
      RecordedRequest request = parseRequest(buffer.substr(0, total), headEnd);
      buffer.erase(0, total);
      {
        std::lock_guard<std::mutex> hold(lock);
        recorded.push_back(request);
      }
      changed.notify_all();

      Reply reply = choose(request);
      if (reply.stall) {
        pause(0, true);
        return;
      }
      if (reply.delayMs && !pause(reply.delayMs, false)) return;

      const bool cut = reply.closeAfterBodyBytes.has_value() || reply.stallAfterBodyBytes.has_value();
      const bool keep = wantsKeepAlive(request) && reply.sendContentLength && !cut;
      std::string head = request.version == "HTTP/1.0" ? "HTTP/1.0 " : "HTTP/1.1 ";
      head += std::to_string(reply.status) + " " + reply.reason + "\r\n";
      if (!reply.contentType.empty()) head += "Content-Type: " + reply.contentType + "\r\n";
      for (const std::string& line : reply.headers) head += line + "\r\n";
      if (reply.sendContentLength) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
      head += keep ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
      head += "\r\n";
      size_t bodyBytes = reply.body.size();
      const size_t part = reply.closeAfterBodyBytes ? *reply.closeAfterBodyBytes
                          : reply.stallAfterBodyBytes ? *reply.stallAfterBodyBytes
                                                      : bodyBytes;
      if (part < bodyBytes) bodyBytes = part;
      if (sameNoCase(request.method, "HEAD")) bodyBytes = 0;
      if (!sendAll(socket, head.data(), head.size())) return;
      if (!sendAll(socket, reply.body.data(), bodyBytes)) return;
      if (reply.stallAfterBodyBytes) {
        pause(0, true);
        return;
      }
      if (!keep) return;
    }
  }

  void acceptLoop() {
    while (!stopping) {
      if (!waitFor(listener, false)) continue;
      SOCKET client = accept(listener, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      u_long nonBlocking = 1;
      ioctlsocket(client, FIONBIO, &nonBlocking);
      BOOL noDelay = TRUE;
      setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);

      std::list<Connection> finished;
      {
        std::lock_guard<std::mutex> hold(lock);
        ++accepted;
        for (auto it = connections.begin(); it != connections.end();) {
          auto next = std::next(it);
          if (it->done) finished.splice(finished.end(), connections, it);
          it = next;
        }
        Connection& c = connections.emplace_back();
        c.socket = client;
        c.thread = std::thread([this, &c] {
          serveConnection(c.socket);
          shutdown(c.socket, SD_SEND);  // the bytes sent so far still arrive, then the end
          closesocket(c.socket);
          c.done = true;
        });
      }
      for (Connection& c : finished) c.thread.join();
    }
  }
};

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const std::string& line : headerLines) {
    std::string_view n, v;
    if (splitHeader(line, n, v) && sameNoCase(n, name)) return std::string(v);
  }
  return std::nullopt;
}

int RecordedRequest::headerCount(std::string_view name) const {
  int count = 0;
  for (const std::string& line : headerLines) {
    std::string_view n, v;
    if (splitHeader(line, n, v) && sameNoCase(n, name)) ++count;
  }
  return count;
}

std::optional<std::string> RecordedRequest::queryParam(std::string_view name) const {
  std::string_view rest(query);
  while (!rest.empty()) {
    size_t amp = rest.find('&');
    std::string_view pair = rest.substr(0, amp);
    size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name) return std::string(eq == std::string_view::npos ? "" : pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

Reply Reply::text(std::string body, std::string contentType) {
  Reply r;
  r.body = std::move(body);
  r.contentType = std::move(contentType);
  return r;
}

Reply Reply::withStatus(int status, std::string reason, std::string body) {
  Reply r;
  r.status = status;
  r.reason = std::move(reason);
  r.body = std::move(body);
  return r;
}

Reply& Reply::header(std::string line) {
  headers.push_back(std::move(line));
  return *this;
}

Reply& Reply::cookie(std::string setCookie) {
  headers.push_back("Set-Cookie: " + setCookie);
  return *this;
}

std::string patternBytes(size_t count, unsigned seed) {
  std::string out(count, '\0');
  unsigned x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < count; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = char((x >> 16) & 0xFF);
  }
  return out;
}

LoopbackServer::LoopbackServer() : LoopbackServer(0) {}

LoopbackServer::LoopbackServer(uint16_t port) : impl_(std::make_unique<Impl>()) {
  Impl& s = *impl_;
  s.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s.listener == INVALID_SOCKET) throw std::runtime_error("loopback: no socket");
  // Nobody else may take over the port while we listen on it.
  BOOL exclusive = TRUE;
  setsockopt(s.listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (bind(s.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s.listener, SOMAXCONN) != 0) {
    closesocket(s.listener);
    throw std::runtime_error("loopback: cannot listen on 127.0.0.1:" + std::to_string(port));
  }
  int length = sizeof address;
  getsockname(s.listener, reinterpret_cast<sockaddr*>(&address), &length);
  s.port = ntohs(address.sin_port);
  u_long nonBlocking = 1;
  ioctlsocket(s.listener, FIONBIO, &nonBlocking);
  s.acceptor = std::thread([&s] { s.acceptLoop(); });
}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::stop() {
  Impl& s = *impl_;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.stopping = true;
  }
  s.changed.notify_all();
  if (s.acceptor.joinable()) s.acceptor.join();
  if (s.listener != INVALID_SOCKET) {
    closesocket(s.listener);
    s.listener = INVALID_SOCKET;
  }
  std::list<Impl::Connection> all;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    all.splice(all.end(), s.connections);
  }
  for (Impl::Connection& c : all) c.thread.join();
}

uint16_t LoopbackServer::port() const { return impl_->port; }

std::string LoopbackServer::hostPort() const { return "127.0.0.1:" + std::to_string(impl_->port); }

std::string LoopbackServer::url(std::string_view pathAndQuery) const {
  return "http://" + hostPort() + std::string(pathAndQuery);
}

void LoopbackServer::serve(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  impl_->byPath[path] = std::move(reply);
}

void LoopbackServer::serve(const std::string& path, std::string body, std::string contentType) {
  serve(path, Reply::text(std::move(body), std::move(contentType)));
}

void LoopbackServer::serveTarget(const std::string& target, Reply reply) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  impl_->byTarget[target] = std::move(reply);
}

void LoopbackServer::setHandler(Handler handler) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  impl_->handler = std::move(handler);
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->recorded;
}

size_t LoopbackServer::requestCount() const {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->recorded.size();
}

RecordedRequest LoopbackServer::lastRequest() const {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->recorded.empty() ? RecordedRequest{} : impl_->recorded.back();
}

bool LoopbackServer::waitForRequests(size_t count, unsigned timeoutMs) const {
  std::unique_lock<std::mutex> hold(impl_->lock);
  return impl_->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                 [&] { return impl_->recorded.size() >= count; });
}

void LoopbackServer::clearRequests() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  impl_->recorded.clear();
}

size_t LoopbackServer::connectionsAccepted() const {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->accepted;
}

}  // namespace loopback
