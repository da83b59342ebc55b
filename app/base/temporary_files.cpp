// The registry the signal handler reads. A handler may run between any two instructions of the
// code it interrupts and may call only async-signal-safe functions, so the registry is a list of
// slots that only ever grows: a slot's state, read atomically, says whether its path is complete
// and still wanted, and the handler reads the path only then. Slots are reused, never freed; a
// slot's buffer is replaced only while the slot is being filled. The slots free for reuse are also
// kept on a stack the handler never reads, so that taking one does not walk past every live one (a
// long animation stages a file per frame).
#include "temporary_files.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace zvapp {

struct TemporaryFile::Slot {
  enum State : int { kFree, kFilling, kLive };
  std::atomic<int> state{kFilling};
  std::unique_ptr<char[]> path;
  std::size_t capacity = 0;
  Slot* next = nullptr;
};

namespace {

using Slot = TemporaryFile::Slot;

std::atomic<Slot*> slots{nullptr};
std::mutex freeMutex;
std::vector<Slot*>& FreeSlots() {
  static auto* free = new std::vector<Slot*>;  // outlives every TemporaryFile
  return *free;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(kSignals)];

void RemoveLive() {
  for (Slot* s = slots.load(std::memory_order_acquire); s; s = s->next)
    if (s->state.load(std::memory_order_acquire) == Slot::kLive) ::unlink(s->path.get());
}

void OnSignal(int sig, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  RemoveLive();
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] != sig) continue;
    const struct sigaction& old = previous[i];
    if (old.sa_flags & SA_SIGINFO) {
      old.sa_sigaction(sig, info, context);
    } else if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN) {
      old.sa_handler(sig);
    } else {
      // The signal is blocked while its handler runs: raised again, it takes its default course
      // (the process ends of it) as soon as this handler returns.
      ::sigaction(sig, &old, nullptr);
      ::raise(sig);
    }
  }
  errno = savedErrno;
}

void InstallHandlers() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (::sigaction(kSignals[i], nullptr, &previous[i]) != 0) continue;
    if (!(previous[i].sa_flags & SA_SIGINFO) && previous[i].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_sigaction = &OnSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(kSignals[i], &action, nullptr);
  }
}

// A free slot taken for filling, or a new one added to the list.
Slot* TakeSlot() {
  {
    const std::lock_guard lock(freeMutex);
    if (!FreeSlots().empty()) {
      Slot* s = FreeSlots().back();
      FreeSlots().pop_back();
      s->state.store(Slot::kFilling, std::memory_order_release);
      return s;
    }
  }
  auto* s = new Slot;
  Slot* head = slots.load(std::memory_order_relaxed);
  do {
    s->next = head;
  } while (!slots.compare_exchange_weak(head, s, std::memory_order_release));
  return s;
}

}  // namespace

InterruptionsHeld::InterruptionsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (const int sig : kSignals) sigaddset(&held, sig);
  pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptionsHeld::~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void InstallTemporaryFileCleanup() {
  static std::once_flag installed;
  std::call_once(installed, InstallHandlers);
}

TemporaryFile::TemporaryFile(const std::string& path) : slot_(nullptr) {
  InstallTemporaryFileCleanup();
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  if (ec) return;  // no working folder: then there is no file either
  slot_ = TakeSlot();
  if (slot_->capacity <= absolute.size()) {
    slot_->path = std::make_unique<char[]>(absolute.size() + 1);
    slot_->capacity = absolute.size() + 1;
  }
  std::memcpy(slot_->path.get(), absolute.c_str(), absolute.size() + 1);
  slot_->state.store(Slot::kLive, std::memory_order_release);
}

TemporaryFile::~TemporaryFile() {
  if (!slot_) return;
  slot_->state.store(Slot::kFree, std::memory_order_release);
  const std::lock_guard lock(freeMutex);
  try {
    FreeSlots().push_back(slot_);
  } catch (const std::bad_alloc&) {
    // Not offered for reuse then; the list keeps it.
  }
}

}  // namespace zvapp
