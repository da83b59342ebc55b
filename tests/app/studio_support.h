// Runs `zvplot ... --serve --port 0` as a user does, for the studio's tests: reads the address it
// prints first, talks to it with httplib's client, and ends it as Ctrl-C would.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <httplib.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

namespace zvtest {

class Studio {
 public:
  // Starts the server with the actions given before --serve. The test fails when no address
  // comes within a minute (the sanitizer build starts slowly).
  explicit Studio(const std::vector<std::string>& actions) {
    static int count = 0;
    errFile_ = std::string(ZV_BINARY_DIR) + "/studio_test_stderr_" + std::to_string(getpid()) +
               "_" + std::to_string(++count) + ".txt";
    // Everything the child needs is made before the fork: a forked copy of a threaded process
    // may only call what is safe in a signal handler until it runs the program.
    std::vector<std::string> args = {std::string(ZV_BINARY_DIR) + "/zvplot"};
    args.insert(args.end(), actions.begin(), actions.end());
    args.insert(args.end(), {"--serve", "--port", "0"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      if (err >= 0) dup2(err, 2);
      close(out[0]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (err >= 0) close(err);
    close(out[1]);
    out_ = out[0];
    firstLine_ = ReadLine(60000);
    std::smatch m;
    static const std::regex kAddress(
        R"(Zorvantix studio: http://127\.0\.0\.1:(\d+)/\?token=([A-Za-z0-9_-]{32}))");
    if (std::regex_match(firstLine_, m, kAddress)) {
      port_ = std::stoi(m[1]);
      token_ = m[2];
    }
  }

  ~Studio() {
    if (pid_ > 0 && status_ < 0) Stop(SIGINT);
    if (out_ >= 0) close(out_);
    std::remove(errFile_.c_str());
  }

  bool Started() const { return port_ > 0; }
  int Port() const { return port_; }
  const std::string& Token() const { return token_; }
  const std::string& FirstLine() const { return firstLine_; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

  // Ends the server with the signal and gives its exit status (-1 when it did not exit normally).
  int Stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }
  // What the server wrote on standard error (a sanitizer's report lands there).
  std::string Errors() const {
    std::ifstream f(errFile_);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  // A client that sends the token in its header, as the page does.
  httplib::Client Client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_default_headers({{"X-Zorvantix-Token", token_}});
    c.set_read_timeout(120, 0);
    c.set_write_timeout(120, 0);
    return c;
  }

 private:
  std::string ReadLine(int timeoutMs) {
    std::string line;
    char c = 0;
    pollfd p{out_, POLLIN, 0};
    while (poll(&p, 1, timeoutMs) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  int port_ = -1;
  std::string token_, firstLine_, errFile_;
};

// POST of a JSON body with the client's token.
inline httplib::Result PostJson(httplib::Client& c, const std::string& path,
                                const nlohmann::json& body) {
  return c.Post(path, body.dump(), "application/json");
}

}  // namespace zvtest
