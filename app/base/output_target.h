// What an output's path names, and writing to what cannot be replaced: the rules of atomic_file.h
// for regular files, symlinks, character devices and FIFOs.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zvapp {

struct OutputTarget {
  // Where the data goes: the path itself, or the file a symlink leads to.
  std::string path;
  // A character device or a FIFO: written in place.
  bool inPlace = false;
  bool fifo = false;
  // A regular file is there to be replaced; the new one takes over its mode and owner.
  bool replaces = false;
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
};

// Looks the path up. False with the reason (and errno's value, or 0) when it cannot be written: a
// folder, a block device or a socket, a symlink loop, a path that cannot be looked up.
bool ResolveTarget(const std::string& path, OutputTarget* target, std::string* why, int* err);

// Opens a device or FIFO target for writing without creating or truncating anything, and without
// waiting: a FIFO no program reads from is refused. The descriptor then blocks on writes, so that
// the reader takes the data at its own pace. -1 with the reason when it cannot be opened.
int OpenInPlace(const OutputTarget& target, std::string* why, int* err);

// Writes all of `data`; false with errno set when a write fails.
bool WriteAll(int fd, std::string_view data);
// The same for a device or FIFO: a reader that went away gives EPIPE instead of ending the
// process with SIGPIPE.
bool WriteToDevice(int fd, std::string_view data);

}  // namespace zvapp
