#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "output_target.h"
#include "temporary_files.h"

namespace zvapp {

// One output: its temporary beside the target, or for a device or FIFO the open device and the
// unnamed file its data waits in.
struct StagedOutputs::Output {
  std::string shown;  // the path as the user gave it, for messages
  OutputTarget target;
  int fd = -1;        // what Append writes to: the temporary or the waiting data
  int deviceFd = -1;  // the device or FIFO, open since staging
  std::string temp;   // the temporary's path; empty for a device or FIFO
  std::optional<TemporaryFile> registered;

  ~Output() {
    if (fd >= 0) ::close(fd);
    if (deviceFd >= 0) ::close(deviceFd);
    if (!temp.empty()) ::unlink(temp.c_str());
  }
};

namespace {

std::string Message(const std::string& path, const std::string& what, int err) {
  return "cannot write '" + path + "': " + what +
         (err ? std::string(": ") + std::strerror(err) : "");
}

// ".zv" and six random letters or digits, shortened should the folder allow only shorter names.
std::string TemporaryName(const std::string& folder) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  const size_t length = limit > 0 && limit < 9 ? static_cast<size_t>(limit) : 9;
  std::string name = length > 3 ? ".zv" : "";
  while (name.size() < length) name += kChars[random() % (sizeof kChars - 1)];
  return name;
}

// Creates the temporary beside the target; its permissions and owner are the replaced file's,
// else what creating the file would give (the umask applies to the mode given here).
bool CreateTemporary(StagedOutputs::Output& o, std::string* why, int* err) {
  const std::filesystem::path target(o.target.path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = (std::filesystem::path(folder) / TemporaryName(folder)).string();
    o.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (o.fd >= 0) {
      o.temp = path;
      o.registered.emplace(path);
      break;
    }
    if (errno != EEXIST) break;
  }
  if (o.fd < 0) {
    *err = errno;
    *why = "cannot create a temporary file";
    return false;
  }
  if (o.target.replaces) {
    if (o.target.uid != ::geteuid() || o.target.gid != ::getegid()) {
      // Only the superuser may give a file away: for anyone else the new file stays theirs.
      [[maybe_unused]] const int given = ::fchown(o.fd, o.target.uid, o.target.gid);
    }
    if (::fchmod(o.fd, o.target.mode) != 0) {
      *err = errno;
      *why = "cannot set permissions";
      return false;
    }
  }
  return true;
}

// A file without a name in the temporary folder, gone when closed.
int UnnamedFile() {
  const char* env = std::getenv("TMPDIR");
  const std::string folder = env && *env ? env : "/tmp";
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return fd;
  std::string pattern = folder + "/.zvXXXXXX";  // the file system has no unnamed files
  fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(pattern.c_str());
  return fd;
}

// Opens the device or FIFO now: a FIFO without a reader fails here, before anything is in place.
bool OpenDevice(StagedOutputs::Output& o, std::string* why, int* err) {
  o.deviceFd = OpenInPlace(o.target, why, err);
  if (o.deviceFd < 0) return false;
  o.fd = UnnamedFile();
  if (o.fd < 0) {
    *err = errno;
    *why = "cannot create a temporary file for its data";
    return false;
  }
  return true;
}

bool CopyToDevice(StagedOutputs::Output& o, std::string* error) {
  if (::lseek(o.fd, 0, SEEK_SET) != 0) {
    *error = Message(o.shown, "cannot read its data back", errno);
    return false;
  }
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(o.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = Message(o.shown, "cannot read its data back", errno);
      return false;
    }
    if (n == 0) return true;
    if (!WriteToDevice(o.deviceFd, std::string_view(buf, static_cast<size_t>(n)))) {
      *error = Message(o.shown, "write failed", errno);
      return false;
    }
  }
}

// Closes a complete temporary. Its data reaches the disk before any rename, so that a crash right
// after one cannot leave an empty file under the target's name.
bool FinishFile(StagedOutputs::Output& o, std::string* message) {
  if (o.target.inPlace || o.fd < 0) return true;
  const int err = ::fsync(o.fd) != 0 ? errno : 0;
  const int closed = ::close(o.fd);
  o.fd = -1;
  if (!err && closed == 0) return true;
  *message = Message(o.shown, "cannot write the data out", err ? err : errno);
  return false;
}

}  // namespace

StagedOutputs::StagedOutputs() = default;

StagedOutputs::~StagedOutputs() { Discard(); }

bool StagedOutputs::Fail(std::string* error, std::string message) {
  failed_ = true;
  if (error) *error = std::move(message);
  return false;
}

std::optional<std::size_t> StagedOutputs::Open(const std::string& path, std::string* error) {
  auto o = std::make_unique<Output>();
  o->shown = path;
  std::string why;
  int err = 0;
  bool ok = ResolveTarget(path, &o->target, &why, &err);
  if (ok) {
    // Between creating the temporary and registering it an interruption would leave it behind.
    const InterruptionsHeld held;
    ok = o->target.inPlace ? OpenDevice(*o, &why, &err) : CreateTemporary(*o, &why, &err);
  }
  if (!ok) {
    Fail(error, Message(path, why, err));
    return std::nullopt;
  }
  outputs_.push_back(std::move(o));
  return outputs_.size() - 1;
}

bool StagedOutputs::Append(std::size_t output, std::string_view data, std::string* error) {
  Output& o = *outputs_.at(output);
  if (!WriteAll(o.fd, data)) return Fail(error, Message(o.shown, "write failed", errno));
  return true;
}

bool StagedOutputs::Close(std::size_t output, std::string* error) {
  // A command may stage many files (one per frame): each is closed as soon as it is complete.
  std::string message;
  return FinishFile(*outputs_.at(output), &message) || Fail(error, std::move(message));
}

bool StagedOutputs::Stage(const std::string& path, std::string_view data, std::string* error) {
  const std::optional<std::size_t> output = Open(path, error);
  return output && Append(*output, data, error) && Close(*output, error);
}

bool StagedOutputs::StagePieces(const std::string& path,
                                const std::function<bool(const PieceSink&)>& produce,
                                std::string* error) {
  const std::optional<std::size_t> output = Open(path, error);
  if (!output) return false;
  bool appended = true;
  const bool produced = produce(
      [&](std::string_view piece) { return appended = appended && Append(*output, piece, error); });
  if (!appended) return false;
  if (!produced) return Fail(error, "cannot write '" + path + "': the data could not be made");
  return Close(*output, error);
}

bool StagedOutputs::Commit(std::string* error) {
  std::string message;
  if (failed_) message = "an output failed before it was complete";
  for (auto& o : outputs_)
    if (message.empty()) FinishFile(*o, &message);
  for (auto& o : outputs_) {
    if (!message.empty() || o->target.inPlace) continue;
    if (::rename(o->temp.c_str(), o->target.path.c_str()) != 0) {
      message = Message(o->shown, "cannot put the file in place", errno);
    } else {
      o->temp.clear();
      o->registered.reset();
    }
  }
  for (auto& o : outputs_)
    if (message.empty() && o->target.inPlace) CopyToDevice(*o, &message);
  Discard();
  if (!message.empty() && error) *error = message;
  return message.empty();
}

void StagedOutputs::Discard() {
  outputs_.clear();
  failed_ = false;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  StagedOutputs outputs;
  return outputs.Stage(path, data, error) && outputs.Commit(error);
}

bool WriteFileAtomically(const std::string& path, const PieceProducer& produce,
                         std::string* error) {
  StagedOutputs outputs;
  return outputs.StagePieces(path, produce, error) && outputs.Commit(error);
}

}  // namespace zvapp
