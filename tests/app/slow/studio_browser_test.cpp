// The studio in a real browser: `zvplot --serve` started as a user starts it, its page driven in
// headless Chromium by tests/app/studio_browser.mjs (formula, Reset, a second surface and its
// question, the size handle, undo and redo keys, the timeline), which also prints how long an
// edit takes to show at R = 50 and R = 1000. Screenshots go to test-output/studio.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export_support.h"
#include "test_support.h"

namespace {
using namespace zvtest;

// `zvplot --serve --port 0` as a child process: its address from the first line it prints, and
// on destruction a SIGTERM, after which it must end by itself with status 0.
class Server {
 public:
  Server() {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      const std::string zvplot = std::string(ZV_BINARY_DIR) + "/zvplot";
      execl(zvplot.c_str(), zvplot.c_str(), "--serve", "--port", "0", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    stdout_ = fdopen(out[0], "r");
    char line[512] = {};
    if (stdout_ && std::fgets(line, sizeof line, stdout_)) first_ = line;
  }
  ~Server() {
    if (pid_ > 0) Stop();
    if (stdout_) std::fclose(stdout_);
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // The page's address: http://127.0.0.1:PORT/?token=TOKEN.
  std::string Url() const {
    const std::string prefix = "Zorvantix studio: ";
    if (first_.rfind(prefix, 0) != 0) return "";
    std::string url = first_.substr(prefix.size());
    while (!url.empty() && (url.back() == '\n' || url.back() == '\r')) url.pop_back();
    return url;
  }
  const std::string& FirstLine() const { return first_; }

  // Asks the server to end as Ctrl-C does; its exit status.
  int Stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* stdout_ = nullptr;
  std::string first_;
};

TEST(StudioBrowser, PageEditsThePlotAsAUserDoes) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  ZV_REQUIRE_TOOL(fs::exists("/usr/bin/chromium"), "Chromium");
  Server server;
  const std::string url = server.Url();
  ASSERT_FALSE(url.empty()) << "the server printed: " << server.FirstLine();
  std::string output;
  const int status =
      Tools::Node("studio_browser.mjs", {url, OutputDir("studio").string()}, &output);
  // The latencies are printed, never asserted: tests do not judge time.
  std::printf("%s", output.c_str());
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(server.Stop(), 0) << "the server did not end cleanly on SIGTERM";
}

}  // namespace
