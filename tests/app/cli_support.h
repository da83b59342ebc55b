// Runs the runner as a user does, for the command-line tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace zvtest {

struct Result {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
  std::string all() const { return out + err; }
};

// Runs the runner with its standard error kept apart, so that a dump on standard output parses
// whatever else a build of the runner prints.
inline Result Zvplot(const std::string& args) {
  Result r;
  // One file per test process and call: the tests run in parallel processes.
  static int calls = 0;
  const std::string errFile = std::string(ZV_BINARY_DIR) + "/cli_test_stderr_" +
                              std::to_string(getpid()) + "_" + std::to_string(++calls) + ".txt";
  const std::string cmd = std::string(ZV_BINARY_DIR) + "/zvplot " + args + " 2>" + errFile;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  {
    std::ifstream f(errFile);
    r.err.assign(std::istreambuf_iterator<char>(f), {});
  }
  std::remove(errFile.c_str());
  return r;
}

}  // namespace zvtest
