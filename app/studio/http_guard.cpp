#include "http_guard.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "words.h"

namespace zvapp {

std::string JsonError(const std::string& message) {
  return nlohmann::json({{"ok", false}, {"error", message}})
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadPiece = size_t{64} << 10;
constexpr size_t kLineBytes = 1024;     // of a chunk's size line or a trailer line
constexpr size_t kTrailerBytes = 8192;  // of all trailer lines
constexpr auto kLinger = std::chrono::milliseconds(500);

struct Refusal {
  int status;
  std::string message;
};

std::string StatusText(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 408:
      return "Request Timeout";
    case 413:
      return "Payload Too Large";
    case 431:
      return "Request Header Fields Too Large";
    case 503:
      return "Service Unavailable";
    default:
      return "Error";
  }
}

std::string Megabytes(size_t bytes) {
  return bytes >= (size_t{1} << 20) ? std::to_string(bytes >> 20) + " MB"
                                    : std::to_string(bytes) + " bytes";
}

std::string Seconds(std::chrono::milliseconds t) {
  return std::to_string((t.count() + 999) / 1000) + " s";
}

bool IsTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// A length of plain decimal digits that fits 64 bits.
bool ParseLength(const std::string& text, uint64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
  }
  *out = v;
  return true;
}

// A chunk's size line: hexadecimal digits (at most 16), then nothing or extensions after ';'.
bool ParseChunkSize(const std::string& line, uint64_t* out) {
  size_t i = 0;
  uint64_t v = 0;
  for (; i < line.size() && std::isxdigit(static_cast<unsigned char>(line[i])); ++i) {
    if (i == 16) return false;
    const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
    v = v * 16 + static_cast<uint64_t>(d <= '9' ? d - '0' : d - 'a' + 10);
  }
  if (i == 0) return false;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] != ';') return false;
  *out = v;
  return true;
}

struct Connection {
  enum class Phase { kIdle, kHead, kBody, kLinger };
  enum class Chunk { kSize, kData, kDataEnd, kTrailer };

  int fd = -1;
  std::string ip, localIp;
  int port = 0, localPort = 0;
  std::string in;  // read and not yet taken
  Phase phase = Phase::kIdle;
  Clock::time_point deadline;
  size_t served = 0;
  bool close = false;  // after the request being read

  // The request being read: its head as the library reads it, and its body.
  std::string head, body;
  size_t bodyLimit = 0;
  bool chunked = false;
  Chunk chunk = Chunk::kSize;
  uint64_t remaining = 0;  // of the body's length, of a chunk, or of the trailers' bytes
};

// The request of a connection from memory, its answer to the socket.
class RequestStream : public httplib::Stream {
 public:
  RequestStream(const Connection& c, std::chrono::milliseconds writeTime)
      : c_(c), writeTime_(static_cast<int>(writeTime.count())) {}

  bool is_readable() const override { return at_ < c_.head.size() + c_.body.size(); }
  bool is_writable() const override {
    pollfd p{c_.fd, POLLOUT, 0};
    return poll(&p, 1, writeTime_) > 0 && (p.revents & POLLOUT) != 0;
  }
  ssize_t read(char* ptr, size_t size) override {
    size_t n = 0;
    while (n < size && is_readable()) {
      const std::string& part = at_ < c_.head.size() ? c_.head : c_.body;
      const size_t from = at_ < c_.head.size() ? at_ : at_ - c_.head.size();
      const size_t take = std::min(size - n, part.size() - from);
      std::copy_n(part.data() + from, take, ptr + n);
      n += take;
      at_ += take;
    }
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    size_t sent = 0;
    while (sent < size) {
      const ssize_t n = send(c_.fd, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && is_writable()) {
        continue;
      } else {
        return -1;
      }
    }
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = c_.ip;
    port = c_.port;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = c_.localIp;
    port = c_.localPort;
  }
  socket_t socket() const override { return c_.fd; }

 private:
  const Connection& c_;
  int writeTime_;
  size_t at_ = 0;
};

void Address(int fd, bool peer, std::string* ip, int* port) {
  sockaddr_storage a{};
  socklen_t size = sizeof a;
  char text[INET6_ADDRSTRLEN] = "";
  if ((peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&a), &size)
            : getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size)) != 0)
    return;
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    *port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    *port = ntohs(v6->sin6_port);
  }
  *ip = text;
}

}  // namespace

class GuardedServer::Front {
 public:
  Front(GuardedServer& server, Admit admit, const httplib::Headers& headers, FrontLimits limits)
      : server_(server), admit_(std::move(admit)), limits_(limits) {
    for (const auto& [name, value] : headers) headers_ += name + ": " + value + "\r\n";
  }
  ~Front() { Stop(); }

  void Start() {
    std::lock_guard lock(mutex_);
    if (loop_.joinable()) return;
    stopping_ = false;
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    loop_ = std::thread([this] { Loop(); });
    for (size_t i = 0; i < limits_.workers; ++i) workers_.emplace_back([this] { Work(); });
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      if (!loop_.joinable()) return;
      stopping_ = true;
    }
    Wake();
    ready_cv_.notify_all();
    loop_.join();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
    std::lock_guard lock(mutex_);
    for (std::unique_ptr<Connection>& c : ready_) Close(std::move(c));
    for (std::unique_ptr<Connection>& c : back_) Close(std::move(c));
    ready_.clear();
    back_.clear();
    for (int& fd : wake_) close(fd), fd = -1;
  }

  // A connection the library accepted: read by the loop from now on, unless its client has as many
  // open as it may.
  void Adopt(int fd) {
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    Address(fd, true, &c->ip, &c->port);
    Address(fd, false, &c->localIp, &c->localPort);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    c->deadline = Clock::now() + limits_.headTime;
    {
      std::lock_guard lock(mutex_);
      size_t& open = perClient_[c->ip];
      if (open >= limits_.connectionsPerClient || stopping_) {
        if (open == 0) perClient_.erase(c->ip);
        SendRefusal(*c, {503, "too many connections from " + c->ip + " (at most " +
                                  std::to_string(limits_.connectionsPerClient) + ")"});
        ::close(fd);
        return;
      }
      ++open;
      back_.push_back(std::move(c));
    }
    Wake();
  }

 private:
  enum class Step { kMore, kReady, kRefused };

  void Wake() {
    const char byte = 0;
    if (wake_[1] >= 0) (void)!::write(wake_[1], &byte, 1);
  }

  // Called with the lock held, or once no other thread holds connections.
  void Close(std::unique_ptr<Connection> c) {
    const auto it = perClient_.find(c->ip);
    if (it != perClient_.end() && --it->second == 0) perClient_.erase(it);
    ::close(c->fd);
  }
  void CloseLocked(std::unique_ptr<Connection> c) {
    std::lock_guard lock(mutex_);
    Close(std::move(c));
  }

  void SendRefusal(const Connection& c, const Refusal& r) const {
    const std::string body = JsonError(r.message);
    const std::string text =
        "HTTP/1.1 " + std::to_string(r.status) + " " + StatusText(r.status) + "\r\n" + headers_ +
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    // Small enough for the socket's buffer; a client that does not take it loses it.
    (void)!send(c.fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }

  // Answers the refusal and stops reading requests; what the client still sends for a moment is
  // read and dropped, so that closing does not reset the connection before the answer is read.
  void Refuse(Connection& c, const Refusal& r) {
    SendRefusal(c, r);
    shutdown(c.fd, SHUT_WR);
    c.phase = Connection::Phase::kLinger;
    c.deadline = Clock::now() + kLinger;
    c.in.clear();
    c.remaining = 4 * kReadPiece;
  }

  void Loop() {
    std::list<std::unique_ptr<Connection>> reading;
    std::vector<pollfd> fds;
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (stopping_) break;
        for (std::unique_ptr<Connection>& c : back_) reading.push_back(std::move(c));
        back_.clear();
      }
      Clock::time_point next = Clock::time_point::max();
      fds.assign(1, pollfd{wake_[0], POLLIN, 0});
      for (const auto& c : reading) {
        fds.push_back(pollfd{c->fd, POLLIN, 0});
        next = std::min(next, c->deadline);
      }
      int timeout = -1;
      if (next != Clock::time_point::max())
        timeout = static_cast<int>(std::clamp<int64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count() + 1,
            0, 60000));
      if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
      char drain[64];
      while (::read(wake_[0], drain, sizeof drain) > 0) {
      }
      const Clock::time_point now = Clock::now();
      size_t i = 1;
      for (auto it = reading.begin(); it != reading.end(); ++i) {
        Connection& c = **it;
        const short events = fds[i].revents;
        bool keep = true;
        if (events != 0) keep = Receive(c);
        if (keep && c.phase != Connection::Phase::kLinger) {
          const Step step = Advance(c);
          if (step == Step::kReady) {
            {
              std::lock_guard lock(mutex_);
              ready_.push_back(std::move(*it));
            }
            ready_cv_.notify_one();
            it = reading.erase(it);
            continue;
          }
        }
        if (keep && now >= c.deadline) keep = Expire(c);
        if (!keep) {
          CloseLocked(std::move(*it));
          it = reading.erase(it);
        } else {
          ++it;
        }
      }
    }
    std::lock_guard lock(mutex_);
    for (std::unique_ptr<Connection>& c : reading) Close(std::move(c));
  }

  // Reads what the socket holds (a piece of it); false once the connection is over.
  bool Receive(Connection& c) {
    char buffer[kReadPiece];
    const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (n == 0) return false;
    if (c.phase == Connection::Phase::kLinger) {
      const uint64_t got = static_cast<uint64_t>(n);
      c.remaining = got >= c.remaining ? 0 : c.remaining - got;
      return c.remaining > 0;
    }
    c.in.append(buffer, static_cast<size_t>(n));
    return true;
  }

  // A deadline passed: false when the connection ends at once.
  bool Expire(Connection& c) {
    switch (c.phase) {
      case Connection::Phase::kIdle:
      case Connection::Phase::kLinger:
        return false;
      case Connection::Phase::kHead:
        Refuse(c, {408, "the request's head did not arrive within " + Seconds(limits_.headTime)});
        return true;
      case Connection::Phase::kBody:
        Refuse(c, {408, "the request's body did not arrive within " + Seconds(limits_.bodyTime)});
        return true;
    }
    return false;
  }

  Step Advance(Connection& c) {
    for (;;) {
      if (c.phase == Connection::Phase::kIdle || c.phase == Connection::Phase::kHead) {
        if (c.in.empty()) return Step::kMore;
        if (c.phase == Connection::Phase::kIdle && c.served > 0)
          c.deadline = Clock::now() + limits_.headTime;
        c.phase = Connection::Phase::kHead;
        const size_t end = c.in.find("\r\n\r\n");
        if (end == std::string::npos && c.in.size() <= limits_.headBytes) return Step::kMore;
        if (end == std::string::npos || end + 4 > limits_.headBytes)
          return Fail(c, {431, "the request's head is larger than " +
                                   std::to_string(limits_.headBytes >> 10) + " KB"});
        const std::string head = c.in.substr(0, end + 2);
        c.in.erase(0, end + 4);
        std::optional<Refusal> refused = Begin(c, head);
        if (refused) return Fail(c, *refused);
        if (c.remaining == 0 && !c.chunked) return Finish(c);
        c.phase = Connection::Phase::kBody;
        c.deadline = Clock::now() + limits_.bodyTime;
        continue;
      }
      if (c.phase != Connection::Phase::kBody) return Step::kMore;
      if (!c.chunked || c.chunk == Connection::Chunk::kData) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(c.remaining, c.in.size()));
        c.body.append(c.in, 0, take);
        c.in.erase(0, take);
        c.remaining -= take;
        if (c.remaining > 0) return Step::kMore;
        if (!c.chunked) return Finish(c);
        c.chunk = Connection::Chunk::kDataEnd;
        continue;
      }
      if (c.chunk == Connection::Chunk::kDataEnd) {
        if (c.in.size() < 2) return Step::kMore;
        if (c.in.compare(0, 2, "\r\n") != 0)
          return Fail(c, {400, "a chunk of the body does not end where its size says"});
        c.in.erase(0, 2);
        c.chunk = Connection::Chunk::kSize;
        continue;
      }
      const size_t eol = c.in.find("\r\n");
      if (eol == std::string::npos) {
        if (c.in.size() <= kLineBytes) return Step::kMore;
        return Fail(c, {400, c.chunk == Connection::Chunk::kSize
                                 ? "a chunk's size line is longer than 1 KB"
                                 : "a trailer line of the body is longer than 1 KB"});
      }
      const std::string line = c.in.substr(0, eol);
      c.in.erase(0, eol + 2);
      if (c.chunk == Connection::Chunk::kTrailer) {
        if (line.empty()) return Finish(c);
        if (line.size() + 2 > c.remaining)
          return Fail(c, {400, "the body's trailers are longer than 8 KB"});
        c.remaining -= line.size() + 2;
        continue;
      }
      uint64_t size = 0;
      if (!ParseChunkSize(line, &size))
        return Fail(c, {400, "a chunk's size is not up to 16 hexadecimal digits"});
      if (size > c.bodyLimit - c.body.size())
        return Fail(c, {413, "the body is larger than " + Megabytes(c.bodyLimit)});
      c.remaining = size == 0 ? kTrailerBytes : size;
      c.chunk = size == 0 ? Connection::Chunk::kTrailer : Connection::Chunk::kData;
    }
  }

  Step Fail(Connection& c, const Refusal& r) {
    Refuse(c, r);
    return Step::kRefused;
  }

  Step Finish(Connection& c) {
    c.head += "Content-Length: " + std::to_string(c.body.size()) + "\r\n\r\n";
    return Step::kReady;
  }

  // The head of a request: its framing checked, the request admitted, its body's reading set up.
  std::optional<Refusal> Begin(Connection& c, const std::string& text) {
    c.head.clear();
    c.body.clear();
    c.chunked = false;
    c.chunk = Connection::Chunk::kSize;
    c.remaining = 0;
    size_t eol = text.find("\r\n");
    const std::string line = text.substr(0, eol);
    const size_t s1 = line.find(' '), s2 = line.rfind(' ');
    RequestHead head;
    const std::string target = s1 < s2 ? line.substr(s1 + 1, s2 - s1 - 1) : "";
    const std::string version = s1 < s2 ? line.substr(s2 + 1) : "";
    head.method = line.substr(0, std::min(s1, line.size()));
    if (head.method.empty() || !std::all_of(head.method.begin(), head.method.end(), IsTokenChar) ||
        target.empty() || target[0] != '/' || target.find(' ') != std::string::npos ||
        (version != "HTTP/1.1" && version != "HTTP/1.0"))
      return Refusal{400, "the request line is not METHOD /PATH HTTP/1.1"};
    bool keepAlive = version == "HTTP/1.1";
    c.head = line + "\r\n";
    for (size_t at = eol + 2; at < text.size(); at = eol + 2) {
      eol = text.find("\r\n", at);
      const std::string field = text.substr(at, eol - at);
      const size_t colon = field.find(':');
      if (colon == std::string::npos || colon == 0 ||
          !std::all_of(field.begin(), field.begin() + static_cast<long>(colon), IsTokenChar))
        return Refusal{400, "a header line is not NAME: VALUE"};
      if (std::any_of(field.begin(), field.end(), [](char ch) {
            return (static_cast<unsigned char>(ch) < 32 && ch != '\t') || ch == 127;
          }))
        return Refusal{400, "a header line holds a control character"};
      const std::string name = field.substr(0, colon);
      const std::string value = Trim(field.substr(colon + 1));
      head.headers.emplace(name, value);
      const std::string lower = Lower(name);
      if (lower == "connection") {
        const std::string v = Lower(value);
        if (v.find("close") != std::string::npos) keepAlive = false;
        if (v.find("keep-alive") != std::string::npos) keepAlive = true;
      }
      if (lower != "content-length" && lower != "transfer-encoding" && lower != "expect")
        c.head += name + ": " + value + "\r\n";
    }
    c.close = !keepAlive;
    const size_t lengths = head.headers.count("Content-Length");
    const size_t codings = head.headers.count("Transfer-Encoding");
    if (lengths > 1) return Refusal{400, "the request has more than one Content-Length"};
    if (lengths > 0 && codings > 0)
      return Refusal{400, "the request has both a Content-Length and a Transfer-Encoding"};
    if (codings > 1 ||
        (codings == 1 && Lower(head.headers.find("Transfer-Encoding")->second) != "chunked"))
      return Refusal{400, "the only Transfer-Encoding understood is chunked"};
    uint64_t length = 0;
    if (lengths == 1 && !ParseLength(head.headers.find("Content-Length")->second, &length))
      return Refusal{400, "the Content-Length is not a whole number of bytes below 2^64"};
    c.chunked = codings == 1;
    if (lengths == 0 && !c.chunked &&
        (head.method == "POST" || head.method == "PUT" || head.method == "PATCH"))
      return Refusal{400,
                     "a " + head.method + " needs a Content-Length, 0 for no body (curl: -d '')"};

    const size_t query = target.find('?');
    head.path = httplib::detail::decode_url(target.substr(0, query), false);
    if (query != std::string::npos)
      httplib::detail::parse_query_text(target.substr(query + 1), head.params);
    const Admission admission = admit_(head);
    if (admission.status != 0) return Refusal{admission.status, admission.error};
    c.bodyLimit = admission.bodyLimit;
    if ((c.chunked || length > 0) && c.bodyLimit == 0)
      return Refusal{413, head.method + " " + head.path + " takes no body"};
    if (length > c.bodyLimit)
      return Refusal{413, "the body is larger than " + Megabytes(c.bodyLimit)};
    c.remaining = length;
    const auto expect = head.headers.find("Expect");
    if (expect != head.headers.end() && Lower(expect->second) == "100-continue" &&
        (c.chunked || length > 0)) {
      static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
      (void)!send(c.fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    return std::nullopt;
  }

  // Answers the requests read whole, one at a time on each worker; a connection that stays open
  // goes back to the loop for its next request.
  void Work() {
    for (;;) {
      std::unique_ptr<Connection> c;
      {
        std::unique_lock lock(mutex_);
        ready_cv_.wait(lock, [&] { return stopping_ || !ready_.empty(); });
        if (ready_.empty()) return;
        c = std::move(ready_.front());
        ready_.pop_front();
      }
      RequestStream stream(*c, limits_.writeTime);
      const bool last = c->close || ++c->served >= limits_.requestsPerConnection;
      bool closed = false;
      const bool ok = server_.Answer(stream, last, closed);
      if (!ok || last || closed) {
        CloseLocked(std::move(c));
        continue;
      }
      c->phase = Connection::Phase::kIdle;
      c->deadline = Clock::now() + limits_.idleTime;
      c->head.clear();
      c->body.clear();
      c->body.shrink_to_fit();
      {
        std::lock_guard lock(mutex_);
        back_.push_back(std::move(c));
      }
      Wake();
    }
  }

  GuardedServer& server_;
  Admit admit_;
  FrontLimits limits_;
  std::string headers_;
  int wake_[2] = {-1, -1};
  std::mutex mutex_;
  std::condition_variable ready_cv_;
  bool stopping_ = false;
  std::deque<std::unique_ptr<Connection>> ready_;  // read whole, for the workers
  std::vector<std::unique_ptr<Connection>> back_;  // for the loop to read
  std::map<std::string, size_t> perClient_;
  std::thread loop_;
  std::vector<std::thread> workers_;
};

namespace {

// The library's queue for accepted connections: each goes to the front at once, on the thread
// that accepted it. The library shuts the queue down when it stops listening.
class HandOver : public httplib::TaskQueue {
 public:
  explicit HandOver(std::function<void()> stop) : stop_(std::move(stop)) {}
  void enqueue(std::function<void()> fn) override { fn(); }
  void shutdown() override { stop_(); }

 private:
  std::function<void()> stop_;
};

}  // namespace

GuardedServer::GuardedServer(Admit admit, const httplib::Headers& headers, FrontLimits limits)
    : front_(std::make_unique<Front>(*this, std::move(admit), headers, limits)) {
  set_default_headers(headers);
  set_keep_alive_max_count(limits.requestsPerConnection);
  set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits.idleTime).count());
  new_task_queue = [this]() -> httplib::TaskQueue* {
    front_->Start();
    return new HandOver([this] { front_->Stop(); });
  };
}

GuardedServer::~GuardedServer() { front_->Stop(); }

int GuardedServer::Bind(const std::string& host, int port) {
  const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
  // The library listens with a backlog of 5, which makes a burst of clients wait for the kernel's
  // retries; the loop takes them at once.
  if (bound > 0) ::listen(svr_sock_, SOMAXCONN);
  return bound;
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
  front_->Adopt(sock);
  return true;
}

bool GuardedServer::Answer(httplib::Stream& stream, bool last, bool& closed) {
  return process_request(stream, last, closed, nullptr);
}

}  // namespace zvapp
