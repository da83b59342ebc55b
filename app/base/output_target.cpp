#include "output_target.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

namespace zvapp {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel follows them

bool Refuse(std::string* why, int* err, const char* reason, int code) {
  *why = reason;
  *err = code;
  return false;
}

// The path a dangling symlink leads to, through further links: the file to create.
bool FollowDangling(std::string path, OutputTarget* target, std::string* why, int* err) {
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return Refuse(why, err, "cannot follow the link", errno);
      target->path = path;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) return Refuse(why, err, "it changed while it was looked at", 0);
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    if (n < 0 || n == sizeof buf)
      return Refuse(why, err, "cannot follow the link", n < 0 ? errno : ENAMETOOLONG);
    const std::filesystem::path link(path), to(std::string(buf, static_cast<size_t>(n)));
    path = (to.is_absolute() ? to : link.parent_path() / to).string();
  }
  return Refuse(why, err, "cannot follow the link", ELOOP);
}

// An existing regular file, perhaps behind symlinks: the file itself is replaced, in its folder.
bool Replace(const std::string& path, const struct stat& st, OutputTarget* target, std::string* why,
             int* err) {
  struct stat own {};
  if (::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) return Refuse(why, err, "cannot follow the link", errno);
    target->path = real.get();
  } else {
    target->path = path;
  }
  target->replaces = true;
  target->mode = st.st_mode & 07777;
  target->uid = st.st_uid;
  target->gid = st.st_gid;
  return true;
}

}  // namespace

bool ResolveTarget(const std::string& path, OutputTarget* target, std::string* why, int* err) {
  *target = OutputTarget{};
  if (path.empty()) return Refuse(why, err, "no file name", 0);
  if (!std::filesystem::path(path).has_filename())
    return Refuse(why, err, "not a file name", EISDIR);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return Refuse(why, err, "cannot look it up", errno);
    struct stat own {};
    if (::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
      return FollowDangling(path, target, why, err);
    target->path = path;  // a new file
    return true;
  }
  if (S_ISREG(st.st_mode)) return Replace(path, st, target, why, err);
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    target->path = path;
    target->inPlace = true;
    target->fifo = S_ISFIFO(st.st_mode);
    return true;
  }
  if (S_ISDIR(st.st_mode)) return Refuse(why, err, "it is a folder", 0);
  return Refuse(why, err, "it is no regular file, character device or FIFO", 0);
}

int OpenInPlace(const OutputTarget& target, std::string* why, int* err) {
  const int fd = ::open(target.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *err = errno;
    *why = errno == ENXIO && target.fifo ? "no program reads from this FIFO; start its reader first"
                                         : "cannot open it";
    if (errno == ENXIO && target.fifo) *err = 0;
    return -1;
  }
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    Refuse(why, err, "it changed while it was opened", 0);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool WriteToDevice(int fd, std::string_view data) {
  sigset_t pipe, old, pending;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  sigemptyset(&pending);
  ::sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  ::pthread_sigmask(SIG_BLOCK, &pipe, &old);
  const bool ok = WriteAll(fd, data);
  const int err = errno;
  if (!ok && err == EPIPE && !wasPending) {
    // The failed write raised a SIGPIPE of its own: take it, so it does not end the process later.
    const timespec now{};
    ::sigtimedwait(&pipe, nullptr, &now);
  }
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = err;
  return ok;
}

}  // namespace zvapp
