// The studio's server against clients that do not play along, talked to over raw sockets: bodies
// refused from the head alone however they are framed, framing that could be read two ways,
// clients that send slowly or not at all, and more connections than one client may hold.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "studio_support.h"

namespace {
using nlohmann::json;
using zvtest::Studio;
using Clock = std::chrono::steady_clock;

// A client that sends exactly the bytes it is given.
class Raw {
 public:
  explicit Raw(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) close(fd_), fd_ = -1;
  }
  ~Raw() {
    if (fd_ >= 0) close(fd_);
  }
  void Send(const std::string& bytes) {
    if (fd_ >= 0) (void)!send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  bool Answered() const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ < 0 || poll(&p, 1, 0) > 0;
  }
  // The first answer: its head and as much body as its Content-Length says, or what came before
  // the server closed or the time ran out.
  std::string Answer(int ms = 3000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (fd_ >= 0 && !Whole()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
      pollfd p{fd_, POLLIN, 0};
      char buffer[4096];
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got_.append(buffer, static_cast<size_t>(n));
    }
    return got_;
  }

 private:
  bool Whole() const {
    const size_t end = got_.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    const size_t at = got_.find("Content-Length: ");
    return at < end && got_.size() >= end + 4 + std::stoul(got_.substr(at + 16));
  }
  int fd_;
  std::string got_;
};

int Status(const std::string& answer) {
  return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::stoi(answer.substr(9, 3)) : 0;
}

json Body(const std::string& answer) {
  const size_t end = answer.find("\r\n\r\n");
  const json body =
      end == std::string::npos ? json() : json::parse(answer.substr(end + 4), nullptr, false);
  return body.is_object() ? body : json::object();
}

class StudioFront : public ::testing::Test {
 protected:
  void SetUp() override {
    studio_ = std::make_unique<Studio>(std::vector<std::string>{"--set", "resolution=4"});
    ASSERT_TRUE(studio_->Started()) << studio_->FirstLine() << "\n" << studio_->Errors();
  }
  void TearDown() override {
    if (studio_->Started()) {
      EXPECT_EQ(studio_->Stop(SIGINT), 0) << studio_->Errors();
    }
  }
  std::string Head(const std::string& line, const std::string& fields = "") const {
    return line + " HTTP/1.1\r\nHost: " + studio_->Host() + "\r\n" + fields + "\r\n";
  }
  std::string Token() const { return "X-Zorvantix-Token: " + studio_->Token() + "\r\n"; }
  std::string Exchange(const std::string& request, int ms = 3000) {
    Raw raw(studio_->Port());
    raw.Send(request);
    return raw.Answer(ms);
  }
  std::unique_ptr<Studio> studio_;
};

// Each head alone is answered at once: nothing of a body it announces is waited for.
TEST_F(StudioFront, RefusesBodiesFromTheHeadAlone) {
  const std::string chunked = "Transfer-Encoding: chunked\r\n";
  const struct {
    std::string request;
    int status;
  } cases[] = {
      {Head("POST /studio/x", chunked) + "40000000\r\n", 413},
      {Head("GET /", "Content-Length: 10\r\n"), 413},
      {Head("POST /api/actions", "Content-Length: 100\r\n"), 403},
      {Head("POST /api/actions", chunked), 403},
      {Head("POST /api/undo", Token() + chunked) + "10\r\n", 413},
      {Head("POST /api/actions", Token() + "Content-Length: 1048577\r\n"), 413},
      {Head("POST /api/actions", Token() + chunked) + "100001\r\n", 413},
      {Head("POST /api/actions", Token() + chunked) + "80000\r\n" + std::string(0x80000, ' ') +
           "\r\n80001\r\n",
       413},
      {Head("POST /api/scene-file", Token() + "Content-Length: 67108865\r\n"), 413},
      {Head("POST /api/scene-file", Token() + chunked) + "4000001\r\n", 413},
  };
  for (const auto& c : cases) {
    const std::string answer = Exchange(c.request);
    EXPECT_EQ(Status(answer), c.status) << c.request.substr(0, 100) << "\n" << answer;
    EXPECT_EQ(Body(answer).value("ok", true), false) << answer;
  }
  // Within the limits, both framings reach the API: a scene file past 1 MB is read (and refused
  // as no JSON), chunked actions are applied.
  const std::string spaces(2 << 20, ' ');
  const std::string file = Exchange(
      Head("POST /api/scene-file", Token() + "Content-Length: 2097152\r\n") + spaces, 20000);
  EXPECT_EQ(Status(file), 400) << file;
  const std::string actions = R"({"actions": [["formula", "x*x"]]})";
  char rest[8];
  std::snprintf(rest, sizeof rest, "%zx", actions.size() - 5);
  const std::string applied =
      Exchange(Head("POST /api/actions", Token() + chunked) + "5\r\n" + actions.substr(0, 5) +
               "\r\n" + rest + "\r\n" + actions.substr(5) + "\r\n0\r\n\r\n");
  EXPECT_EQ(Status(applied), 200) << applied;
}

TEST_F(StudioFront, RefusesFramingThatReadsTwoWays) {
  const std::string chunked = "Transfer-Encoding: chunked\r\n";
  const std::string post = "POST /api/actions";
  for (const std::string& request : {
           Head(post, Token() + "Content-Length: 2\r\nContent-Length: 40\r\n") + "[]",
           Head(post, Token() + "Content-Length: 2\r\n" + chunked) + "[]",
           Head(post, Token() + "Content-Length: -1\r\n"),
           Head(post, Token() + "Content-Length: 1e3\r\n"),
           Head(post, Token() + "Content-Length: 18446744073709551616\r\n"),
           Head(post, Token() + "Transfer-Encoding: gzip, chunked\r\n"),
           Head(post, Token() + chunked) + "zz\r\n",
           Head(post, Token() + chunked) + "-1\r\n",
           Head(post, Token() + chunked) + "\r\n",
           Head(post, Token() + chunked) + "10000000000000002\r\n",
           Head(post, Token() + chunked) + "2\r\n[]xx\r\n",
       }) {
    const std::string answer = Exchange(request);
    EXPECT_EQ(Status(answer), 400) << request << "\n" << answer;
    EXPECT_NE(Body(answer).value("error", ""), "") << answer;
  }
}

// Fifty clients trickle a byte each half second into their heads, one into its body: the page
// answers all along, and each slow client is cut off once its head's or body's time is over.
TEST_F(StudioFront, SlowClientsHoldNoWorkers) {
  std::vector<std::unique_ptr<Raw>> slow;
  for (int i = 0; i < 50; ++i) {
    slow.push_back(std::make_unique<Raw>(studio_->Port()));
    slow.back()->Send(i == 0 ? Head("POST /api/actions", Token() + "Content-Length: 100\r\n")
                             : "GET / HTTP/1.1\r\nHost: " + studio_->Host() + "\r\nX-Slow: ");
  }
  httplib::Client page("127.0.0.1", studio_->Port());
  page.set_read_timeout(2, 0);
  page.set_connection_timeout(2, 0);
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(8)) {
    const auto r = page.Get("/", {{"Host", studio_->Host()}});
    ASSERT_TRUE(r) << "the page does not answer while slow clients run";
    ASSERT_EQ(r->status, 200);
    for (const auto& s : slow)
      if (!s->Answered()) s->Send("a");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  for (const auto& s : slow) EXPECT_EQ(Status(s->Answer(100)), 408);

  // One client holds at most 64 connections at once; its connections' end frees their places.
  std::vector<std::unique_ptr<Raw>> idle;
  for (int i = 0; i < 70; ++i) idle.push_back(std::make_unique<Raw>(studio_->Port()));
  const std::string refused = idle.back()->Answer();
  EXPECT_EQ(Status(refused), 503) << refused;
  EXPECT_NE(Body(refused).value("error", "").find("at most 64"), std::string::npos) << refused;
  idle.clear();
  slow.clear();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Status(Exchange(Head("GET /"))), 200);
}

}  // namespace
