// Writing outputs: regular files are replaced whole or not at all, symlinks are followed, devices
// and FIFOs are written in place and stay what they are, several outputs are put in place together
// or not at all, and an interruption leaves no temporary file behind.
#include "atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "test_folder.h"

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public zvtest::FolderTest {
 protected:
  // The names in the folder, sorted: a temporary left behind shows here.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static mode_t Type(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
  }
};

TEST_F(AtomicFileTest, RegularFilesAreReplacedWholeKeepingTheirPermissions) {
  std::string error;
  const std::string target = Path("out.txt");
  ASSERT_TRUE(zvapp::WriteFileAtomically(target, std::string(100000, 'a'), &error)) << error;
  ::chmod(target.c_str(), 0640);
  ASSERT_TRUE(zvapp::WriteFileAtomically(target, "short", &error)) << error;
  EXPECT_EQ(Read(target), "short");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (::geteuid() == 0) {  // the superuser replacing someone's file leaves it theirs
    ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
    ASSERT_TRUE(zvapp::WriteFileAtomically(target, "theirs", &error)) << error;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }

  // The temporary's name is short, so the longest name the folder allows can be written.
  const std::string longest(255, 'n');
  EXPECT_TRUE(zvapp::WriteFileAtomically(Path(longest), "x", &error)) << error;
  EXPECT_TRUE(zvapp::WriteFileAtomically(Path(std::string(246, 'm') + ".json"), "y", &error))
      << error;
  EXPECT_EQ(Read(Path(longest)), "x");

  // A missing folder, or a folder in the way: refused, nothing left behind.
  EXPECT_FALSE(zvapp::WriteFileAtomically(Path("missing/x.glb"), "x", &error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  fs::create_directories(dir / "folder");
  EXPECT_FALSE(zvapp::WriteFileAtomically(Path("folder"), "x", &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", std::string(246, 'm') + ".json", longest,
                                               "out.txt"}));
}

TEST_F(AtomicFileTest, SymlinksAreFollowedAndStayLinks) {
  std::string error;
  fs::create_directories(dir / "elsewhere");
  Write("elsewhere/real.glb", "old");
  fs::create_symlink("elsewhere/real.glb", dir / "link.glb");
  ASSERT_TRUE(zvapp::WriteFileAtomically(Path("link.glb"), "new", &error)) << error;
  EXPECT_EQ(Type(Path("link.glb")), S_IFLNK);
  EXPECT_EQ(Read(Path("elsewhere/real.glb")), "new");

  // A dangling link, through a second link: the file it leads to is made.
  fs::create_symlink("../second", dir / "elsewhere" / "first");
  fs::create_symlink("elsewhere/made.json", dir / "second");
  ASSERT_TRUE(zvapp::WriteFileAtomically(Path("elsewhere/first"), "made", &error)) << error;
  EXPECT_EQ(Type(Path("elsewhere/first")), S_IFLNK);
  EXPECT_EQ(Type(Path("second")), S_IFLNK);
  EXPECT_EQ(Read(Path("elsewhere/made.json")), "made");

  fs::create_symlink("loop", dir / "loop");
  EXPECT_FALSE(zvapp::WriteFileAtomically(Path("loop"), "x", &error));
  EXPECT_NE(error.find("link"), std::string::npos) << error;
  EXPECT_EQ(Type(Path("loop")), S_IFLNK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"elsewhere", "link.glb", "loop", "second"}));
}

// As root the test makes its own null and full devices; otherwise it writes to the system's, which
// no one can replace but root, so the check that they stay devices is then a weak one.
TEST_F(AtomicFileTest, CharacterDevicesAreWrittenInPlaceAndStayDevices) {
  std::string null = Path("null"), full = Path("full");
  if (::geteuid() == 0) {
    ASSERT_EQ(::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);
    ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0) << std::strerror(errno);
  } else {
    std::cout << "not root: writing to /dev/null and /dev/full instead of devices of its own\n";
    null = "/dev/null";
    full = "/dev/full";
  }
  std::string error;
  EXPECT_TRUE(zvapp::WriteFileAtomically(null, std::string(200000, 'z'), &error)) << error;
  EXPECT_EQ(Type(null), S_IFCHR);
  EXPECT_FALSE(zvapp::WriteFileAtomically(full, "data", &error));
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_EQ(Type(full), S_IFCHR);
  if (::geteuid() == 0) {
    EXPECT_EQ(Names(), (std::vector<std::string>{"full", "null"}));
  }
}

TEST_F(AtomicFileTest, FifosAreWrittenToTheirReaderAndNeedOne) {
  const std::string fifo = Path("pipe.json");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(zvapp::WriteFileAtomically(fifo, "nobody reads", &error));
  EXPECT_NE(error.find("no program reads from this FIFO"), std::string::npos) << error;

  // The data fits the pipe's buffer, so the reader can be this very test, reading afterwards.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const std::string data(30000, 'f');
  EXPECT_TRUE(zvapp::WriteFileAtomically(fifo, data, &error)) << error;
  std::string got(data.size() + 1, '\0');
  EXPECT_EQ(::read(reader, got.data(), got.size()), static_cast<ssize_t>(data.size()));
  got.resize(data.size());
  EXPECT_EQ(got, data);
  ::close(reader);
  EXPECT_EQ(Type(fifo), S_IFIFO);
  EXPECT_EQ(Names(), std::vector<std::string>{"pipe.json"});
}

TEST_F(AtomicFileTest, OutputsArePutInPlaceTogetherOrNotAtAll) {
  const std::string a = Write("a.glb", "old a"), b = Write("b.json", "old b");
  std::string error;
  {
    zvapp::StagedOutputs outputs;
    ASSERT_TRUE(outputs.Stage(a, "new a", &error)) << error;
    EXPECT_FALSE(outputs.Stage(Path("nonexistent/b.glb"), "new b", &error));
    EXPECT_NE(error.find("nonexistent/b.glb"), std::string::npos) << error;
    EXPECT_FALSE(outputs.Commit(&error));
  }
  EXPECT_EQ(Read(a), "old a");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.glb", "b.json"}));

  // Staged outputs wait for the commit; an output written in pieces is one output.
  zvapp::StagedOutputs outputs;
  const auto page = outputs.Open(b, &error);
  ASSERT_TRUE(page) << error;
  ASSERT_TRUE(outputs.Stage(a, "new a", &error)) << error;
  ASSERT_TRUE(outputs.Append(*page, "frame 1, ", &error)) << error;
  ASSERT_TRUE(outputs.Append(*page, "frame 2", &error)) << error;
  EXPECT_EQ(Read(a), "old a");
  EXPECT_EQ(Names().size(), 4u) << "each output has its temporary";
  ASSERT_TRUE(outputs.Commit(&error)) << error;
  EXPECT_EQ(Read(a), "new a");
  EXPECT_EQ(Read(b), "frame 1, frame 2");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.glb", "b.json"}));
}

// A file per frame: many more outputs than the process may have files open.
TEST_F(AtomicFileTest, ManyOutputsAreStagedWithoutKeepingThemOpen) {
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit few = saved;
  few.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
  std::string error;
  bool staged = true, committed = false;
  {
    zvapp::StagedOutputs outputs;
    for (int frame = 0; frame < 500 && staged; ++frame)
      staged = outputs.Stage(Path("f_" + std::to_string(frame) + ".glb"), "frame", &error);
    committed = staged && outputs.Commit(&error);
  }
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(staged && committed) << error;
  EXPECT_EQ(Names().size(), 500u);
  EXPECT_EQ(Read(Path("f_499.glb")), "frame");
}

// A child stages two outputs and waits to be killed: the signal removes the temporaries, the
// targets stay as they were and the child ends of the signal itself.
TEST_F(AtomicFileTest, InterruptionsLeaveNoTemporaryBehind) {
  const std::string a = Write("a.glb", "old a");
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      zvapp::StagedOutputs outputs;
      std::string error;
      const bool staged = outputs.Stage(a, "new a", &error) &&
                          outputs.Stage(Path("new.html"), std::string(1 << 20, 'h'), &error);
      const char byte = staged ? 'y' : 'n';
      if (::write(ready[1], &byte, 1) != 1 || !staged) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(byte, 'y');
    EXPECT_EQ(Names().size(), 3u) << "the child's temporaries are there";
    ::kill(child, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(Names(), std::vector<std::string>{"a.glb"});
    EXPECT_EQ(Read(a), "old a");
  }
}

}  // namespace
