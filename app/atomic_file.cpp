#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zvapp {
namespace {

bool Fail(const std::string& path, const char* what, int err, std::string* error) {
  if (error) *error = "cannot write '" + path + "': " + what + ": " + std::strerror(err);
  return false;
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

// The mode the new file gets: the old file's when it replaces one, else what a plain create gives.
mode_t TargetMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  return WriteFileAtomically(path, [data](const PieceSink& sink) { return sink(data); }, error);
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(const PieceSink&)>& produce,
                         std::string* error) {
  if (path.empty()) return Fail(path, "no file name", ENOENT, error);
  const std::filesystem::path target(path);
  if (!target.has_filename()) return Fail(path, "not a file name", EISDIR, error);
  // The temporary file sits beside the target so that the rename never crosses file systems.
  const std::string pattern =
      (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Fail(path, "cannot create a temporary file", errno, error);
  const std::string temp(name.data());
  // The first step that fails names the error; the data reaches the disk before the rename so
  // that a crash right after it cannot leave an empty file under the target's name.
  const char* step = nullptr;
  if (::fchmod(fd, TargetMode(path)) != 0)
    step = "cannot set permissions";
  else if (!produce([fd](std::string_view piece) { return WriteAll(fd, piece); }))
    step = "write failed";
  else if (::fsync(fd) != 0)
    step = "cannot flush";
  int err = step ? errno : 0;
  if (::close(fd) != 0 && !step) {
    err = errno;
    step = "cannot close";
  }
  if (!step && ::rename(temp.c_str(), path.c_str()) != 0) {
    err = errno;
    step = "cannot rename";
  }
  if (step) {
    ::unlink(temp.c_str());
    return Fail(path, step, err, error);
  }
  return true;
}

}  // namespace zvapp
