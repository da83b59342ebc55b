// The runner against hostile input and faults: scenes without a plot, frames at the ends of the
// int32 range, outputs that are devices, FIFOs, links or unwritable, interruptions, control
// characters, overlong formulas and plots that do not fit in memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cli_support.h"
#include "test_folder.h"
#include "test_support.h"

namespace {

using zvtest::Result;
using zvtest::Zvplot;

class HostileCli : public zvtest::FolderTest {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool HasTemporary() const {
    for (const std::string& n : Names())
      if (n.rfind(".zv", 0) == 0) return true;
    return false;
  }
  mode_t Type(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
  }
};

// Starts zvplot as a child with `env` added to its environment and, when `addressSpace` is not 0,
// that limit on its address space. Standard output and error go to files in the test's folder.
pid_t Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& folder, rlim_t addressSpace = 0) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
  if (addressSpace) {
    const struct rlimit limit { addressSpace, addressSpace };
    ::setrlimit(RLIMIT_AS, &limit);
  }
  const int out = ::open((folder + "/../stdout_" + std::to_string(::getpid())).c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = ::open((folder + "/../stderr_" + std::to_string(::getpid())).c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(out, 1);
  ::dup2(err, 2);
  const std::string program = std::string(ZV_BINARY_DIR) + "/zvplot";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// Waits for the child; its status and its standard error.
int Finish(pid_t child, const std::string& folder, std::string* err) {
  int status = 0;
  ::waitpid(child, &status, 0);
  const std::string errPath = folder + "/../stderr_" + std::to_string(child);
  std::ifstream f(errPath, std::ios::binary);
  err->assign(std::istreambuf_iterator<char>(f), {});
  std::remove(errPath.c_str());
  std::remove((folder + "/../stdout_" + std::to_string(child)).c_str());
  return status;
}

TEST_F(HostileCli, EditsOfASceneWithoutAPlotAreRefused) {
  const std::string scene =
      Write("np.json", R"({"format":"zvplot scene","version":1,"objects":[]})");
  for (const std::string edit : {"--set resolution=5", "--press plot.reset", "--add mesh"}) {
    const Result r = Zvplot("--scene " + scene + " " + edit + " --dump -");
    EXPECT_EQ(r.status, 2) << edit << ": " << r.all();
    EXPECT_NE(r.err.find("the scene has no plot object"), std::string::npos) << r.err;
  }
}

TEST_F(HostileCli, TheLastFramesEndAndAreNamedByTheirNumbers) {
  const Result one = Zvplot("--bare --set resolution=2 --frame 2147483647 -o " + Path("one.json"));
  ASSERT_EQ(one.status, 0) << one.all();
  EXPECT_EQ(Names(), std::vector<std::string>{"one.json"});

  const Result two =
      Zvplot("--bare --set resolution=2 --frames 2147483646:2147483647 -o " + Path("f.json"));
  ASSERT_EQ(two.status, 0) << two.all();
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"f_2147483646.json", "f_2147483647.json", "one.json"}));
  const Result low =
      Zvplot("--bare --set resolution=2 --frames -2147483648:-2147483648 -o " + Path("low.json"));
  ASSERT_EQ(low.status, 0) << low.all();
  EXPECT_EQ(Read(Path("low_-2147483648.json")).empty(), false);
}

TEST_F(HostileCli, FramesPastTheInt32RangeOrTooManyAreRefusedNamingTheLimit) {
  const struct {
    std::string args, message;
  } refused[] = {
      {"--frames -2147483648:2147483647", "asks for 4294967296 frames; the limit is 100000"},
      {"--frames 0:100000", "asks for 100001 frames; the limit is 100000"},
      {"--frames 0:2147483648",
       "frame 2147483648 is out of range: frames run from -2147483648 to "
       "2147483647"},
      {"--frame 2147483648", "frame 2147483648 is out of range"},
      {"--frame -2147483649", "frame -2147483649 is out of range"},
      {"--frame 99999999999999999999", "a frame is a whole number from -2147483648"},
  };
  for (const auto& r : refused) {
    const Result result = Zvplot("--bare " + r.args + " -o " + Path("f.json"));
    EXPECT_EQ(result.status, 2) << r.args << ": " << result.all();
    EXPECT_NE(result.err.find(r.message), std::string::npos) << r.args << ": " << result.err;
  }
  EXPECT_TRUE(Names().empty());
}

TEST_F(HostileCli, ACharacterDeviceStaysOneAfterADumpToIt) {
  const std::string null = Path("null");
  if (::geteuid() != 0) {
    if (std::getenv("CI") || std::getenv("ZV_REQUIRE_TOOLS"))
      FAIL() << "making a device needs root, which CI runs as";
    GTEST_SKIP() << "making a device of its own needs root";
  }
  ASSERT_EQ(::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);
  const Result r = Zvplot("--set resolution=10 --dump " + null + " -o " + null + ".json");
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_EQ(Type(null), static_cast<mode_t>(S_IFCHR));
  EXPECT_EQ(Names(), (std::vector<std::string>{"null", "null.json"}));
}

TEST_F(HostileCli, AFifoGetsTheDumpAndASymlinkLeadsToItsTarget) {
  const std::string fifo = Path("pipe.json");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = Read(fifo); });
  const Result r = Zvplot("--bare --set resolution=3 --dump " + fifo);
  reader.join();
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_EQ(Type(fifo), static_cast<mode_t>(S_IFIFO));
  EXPECT_NE(got.find("\"samples\""), std::string::npos);

  const std::string target = Write("target.glb", "old");
  ASSERT_EQ(::symlink("target.glb", Path("link.glb").c_str()), 0);
  const Result link = Zvplot("--bare --set resolution=3 -o " + Path("link.glb"));
  ASSERT_EQ(link.status, 0) << link.all();
  EXPECT_EQ(Type(Path("link.glb")), static_cast<mode_t>(S_IFLNK));
  EXPECT_EQ(Read(target).substr(0, 4), "glTF");
}

// Every output of a command is put in place together: the first stays as it was when the second
// cannot be written, whatever kind each is.
TEST_F(HostileCli, OutputsOfACommandAreWrittenAllOrNone) {
  const std::string a = Write("a.glb", "old a"), dumped = Write("d.json", "old d");
  for (const std::string second :
       {"-o /nonexistent/b.glb", "--dump /nonexistent/d.json", "--save /nonexistent/s.json",
        "-o /nonexistent/p.html", "--frames 0:1 -o /nonexistent/f.json"}) {
    const Result r = Zvplot("--bare --set resolution=3 -o " + a + " -o " + dumped + " " + second);
    EXPECT_EQ(r.status, 2) << second << ": " << r.all();
    EXPECT_NE(r.err.find("/nonexistent/"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Read(a), "old a");
  EXPECT_EQ(Read(dumped), "old d");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.glb", "d.json"}));
}

// A long animation is interrupted while its page is being written: the temporaries go, the
// targets stay as they were and zvplot ends of the signal.
TEST_F(HostileCli, InterruptionsLeaveNoTemporaryBehind) {
  const std::string page = Write("anim.html", "old page");
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    const pid_t child =
        Start({"--bare", "--formula", "x*t", "--set", "animate=true", "--set", "resolution=60",
               "--frames", "0:99999", "-o", page, "-o", Path("f.glb")},
              {}, dir.string());
    ASSERT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!HasTemporary() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(HasTemporary()) << "the command should be writing by now";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(child, sig);
    std::string err;
    const int status = Finish(child, dir.string(), &err);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status << " " << err;
    EXPECT_EQ(Names(), std::vector<std::string>{"anim.html"});
    EXPECT_EQ(Read(page), "old page");
  }
}

TEST_F(HostileCli, ControlCharactersInEchoedTextAreShownEscaped) {
  // The shell's printf makes the escape sequences: ESC ] 0 ; x BEL and ESC [ 2 J.
  const Result r = Zvplot("--formula \"$(printf '1\\033]0;x\\007\\033[2J')\" --dump -");
  EXPECT_EQ(r.status, 2) << r.all();
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\x07'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1\\x1b]0;x\\x07\\x1b[2J"), std::string::npos) << r.err;
  // The parser's own messages too.
  const Result option = Zvplot("--fps \"$(printf '\\033[2J')\"");
  EXPECT_NE(option.status, 0);
  EXPECT_EQ(option.err.find('\x1b'), std::string::npos) << option.err;
}

std::string FormulaOfLength(size_t n) {
  std::string f = "x";
  while (f.size() + 2 <= n) f += "+x";
  if (f.size() < n) f += " ";
  return f;
}

TEST_F(HostileCli, AFormulaHasAtMost4000Characters) {
  const Result fits = Zvplot("--set resolution=2 --formula '" + FormulaOfLength(4000) +
                             "' --save " + Path("s.json"));
  ASSERT_EQ(fits.status, 0) << fits.err.substr(0, 500);
  const Result over =
      Zvplot("--set resolution=2 --formula '" + FormulaOfLength(4001) + "' --dump -");
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.err.find("the formula is 4001 characters long; the limit is 4000 characters"),
            std::string::npos)
      << over.err.substr(0, 500);
  EXPECT_LT(over.err.size(), 1000u) << "the refusal does not echo the whole formula";

  // A loaded formula passes the same check, before anything is evaluated.
  std::string scene = Read(Path("s.json"));
  const size_t at = scene.find(FormulaOfLength(4000));
  ASSERT_NE(at, std::string::npos);
  scene.insert(at, "x+");
  const std::string loaded = Write("long.json", scene);
  const Result r = Zvplot("--scene " + loaded + " --eval --dump -");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the formula is 4002 characters long; the limit is 4000"), std::string::npos)
      << r.err.substr(0, 500);
}

TEST_F(HostileCli, APlotPastTheMemoryLimitIsRefusedWithTheEstimateAndTheLimit) {
  const std::string a = Write("a.glb", "old a");
  std::string err;
  int status = Finish(Start({"--bare", "--add", "mesh", "--set", "mesh.mode=primitives", "--set",
                             "resolution=300", "-o", a},
                            {"ZV_MEMORY_LIMIT=64M"}, dir.string()),
                      dir.string(), &err);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << " " << err;
  EXPECT_NE(err.find("primitives at resolution 300 need about"), std::string::npos) << err;
  EXPECT_NE(err.find("; the limit is 64 MB"), std::string::npos) << err;
  EXPECT_EQ(Read(a), "old a");

  // An --eval is checked too, before it builds anything.
  status = Finish(Start({"--bare", "--set", "resolution=1000", "--eval", "--set", "resolution=2"},
                        {"ZV_MEMORY_LIMIT=10M"}, dir.string()),
                  dir.string(), &err);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << " " << err;
  EXPECT_NE(err.find("--eval: samples at resolution 1000 need about"), std::string::npos) << err;

  status = Finish(Start({"--bare"}, {"ZV_MEMORY_LIMIT=lots"}, dir.string()), dir.string(), &err);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << " " << err;
  EXPECT_NE(err.find("ZV_MEMORY_LIMIT is a number of bytes"), std::string::npos) << err;
}

// Under a limit on its address space, and with the estimate's check out of the way, zvplot runs
// out of memory for real: it says so, ends with status 3 and leaves every file as it was. The
// address sanitizer reserves more address space than such a limit allows, so its build has no
// such run (the test runs in the plain build).
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(HostileCli, RunningOutOfMemoryIsReportedAndWritesNothing) {
  const std::string a = Write("a.glb", "old a"), d = Write("d.json", "old d");
  for (const std::string mode : {"primitives", "markers"}) {
    SCOPED_TRACE(mode);
    const pid_t child = Start({"--bare", "--add", "mesh", "--set", "mesh.mode=" + mode, "--set",
                               "resolution=700", "-o", a, "--dump", d},
                              {"ZV_MEMORY_LIMIT=1000G"}, dir.string(), rlim_t{400} << 20);
    std::string err;
    const int status = Finish(child, dir.string(), &err);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << ": " << err;
    EXPECT_EQ(WEXITSTATUS(status), 3) << err;
    EXPECT_NE(err.find("zvplot: error: out of memory while "), std::string::npos) << err;
    EXPECT_EQ(Read(a), "old a");
    EXPECT_EQ(Read(d), "old d");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.glb", "d.json"}));
  }
}
#endif

}  // namespace
