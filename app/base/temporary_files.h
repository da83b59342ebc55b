// Temporary files that an interruption must not leave behind. While a file is registered, SIGINT,
// SIGTERM and SIGHUP remove it before the signal takes its course: a handler that was there before
// runs next, and without one the process ends of the signal as it would have. A signal that was
// ignored stays ignored.
#pragma once

#include <signal.h>

#include <string>

namespace zvapp {

// Installs the handlers now (the first registered file does otherwise): a program that starts them
// before its slow work takes the signals the same way throughout.
void InstallTemporaryFileCleanup();

// Holds off SIGINT, SIGTERM and SIGHUP on this thread while it lives: a file created and then
// registered under it is never left behind by a signal that came in between. A signal that came
// is taken, as usual, when the guard ends.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  sigset_t previous_;
};

class TemporaryFile {
 public:
  // Registers `path` (made absolute here, so a change of the working folder does not matter).
  explicit TemporaryFile(const std::string& path);
  // Unregisters the path; the file itself is left alone.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  struct Slot;

 private:
  Slot* slot_;
};

}  // namespace zvapp
