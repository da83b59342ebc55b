// The host's parallel loops: a pool of worker threads, sized by the machine's processors or the
// ZV_THREADS environment variable, that share out the ranges of one loop at a time.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "c4d_thread.h"
#include "host_app.h"
#include "maxon/parallelfor.h"

using zvhost::ParallelForJob;

namespace {

Int32 DefaultThreadCount() {
  if (const char* text = std::getenv("ZV_THREADS")) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && n >= 1 && n <= 1024) return static_cast<Int32>(n);
  }
  return static_cast<Int32>(std::max(1u, std::thread::hardware_concurrency()));
}

// Set on the pool's threads and while a loop runs, so that a loop inside a job runs inline.
thread_local bool t_inLoop = false;
thread_local Int32 t_worker = 0;  // the worker running the current range

// One loop at a time: the ranges are handed out through one counter; the threads sleep between
// loops.
class Pool {
 public:
  explicit Pool(Int32 workers) : workers_(workers) {
    for (Int32 w = 1; w < workers_; ++w) threads_.emplace_back([this, w] { Serve(w); });
  }

  ~Pool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  Int32 Workers() const { return workers_; }

  void Run(Int64 from, Int64 to, Int64 granularity, ParallelForJob job, void* data) {
    {
      std::lock_guard lock(mutex_);
      job_ = job;
      data_ = data;
      from_ = from;
      to_ = to;
      granularity_ = granularity;
      next_.store(from, std::memory_order_relaxed);
      busy_ = workers_ - 1;
      ++generation_;
    }
    wake_.notify_all();
    Work(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
  }

 private:
  void Serve(Int32 worker) {
    // A request to end the process (Ctrl-C, a kill) goes to the thread that started the work,
    // which may hold it off for a moment, never to a worker.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, sig);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    t_inLoop = true;
    std::uint64_t seen = 0;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
      }
      Work(worker);
      std::lock_guard lock(mutex_);
      if (--busy_ == 0) done_.notify_one();
    }
  }

  void Work(Int32 worker) {
    for (;;) {
      const Int64 a = next_.fetch_add(granularity_, std::memory_order_relaxed);
      if (a >= to_) return;
      t_worker = worker;
      job_(data_, a, std::min(to_, a + granularity_), worker);
    }
  }

  const Int32 workers_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  bool stopping_ = false;
  std::uint64_t generation_ = 0;
  Int32 busy_ = 0;
  ParallelForJob job_ = nullptr;
  void* data_ = nullptr;
  Int64 from_ = 0, to_ = 0, granularity_ = 1;
  std::atomic<Int64> next_{0};
};

struct PoolHolder {
  std::mutex mutex;  // one loop at a time, and no resizing while one runs
  std::unique_ptr<Pool> pool;
  Int32 wanted = 0;  // 0: the default

  Pool& Get() {
    static const Int32 kDefault = DefaultThreadCount();  // asks the system: once
    const Int32 n = wanted > 0 ? wanted : kDefault;
    if (!pool || pool->Workers() != n) {
      pool.reset();
      pool = std::make_unique<Pool>(n);
    }
    return *pool;
  }
};

PoolHolder& Holder() {
  static PoolHolder holder;
  return holder;
}

}  // namespace

Int32 GeGetCurrentThreadCount() {
  PoolHolder& h = Holder();
  std::lock_guard lock(h.mutex);
  return h.Get().Workers();
}

namespace zvhost {
void ParallelForRanges(Int64 from, Int64 to, Int64 granularity, ParallelForJob job, void* data) {
  if (!job || to <= from) return;
  granularity = std::max<Int64>(1, granularity);
  PoolHolder& h = Holder();
  // Inside a job, or while another thread's loop holds the pool, the caller runs every range
  // itself as worker 0.
  std::unique_lock lock(h.mutex, std::defer_lock);
  const bool alone =
      t_inLoop || to - from <= granularity || !lock.try_lock() || h.Get().Workers() == 1;
  const bool outer = !t_inLoop;
  t_inLoop = true;
  const Int32 worker = t_worker;
  if (alone) {
    t_worker = 0;
    for (Int64 a = from; a < to; a += granularity) job(data, a, std::min(to, a + granularity), 0);
  } else {
    h.Get().Run(from, to, granularity, job, data);
  }
  t_worker = worker;
  if (outer) t_inLoop = false;
}

void SetThreadCount(Int32 workers) {
  PoolHolder& h = Holder();
  std::lock_guard lock(h.mutex);
  h.wanted = std::max<Int32>(0, workers);
}
}  // namespace zvhost

maxon::Int maxon::JobRef::GetCurrentWorkerThreadIndex() { return t_worker; }

maxon::Int maxon::JobRef::GetCurrentThreadCount() { return GeGetCurrentThreadCount(); }

// A worker takes at most `granularity` iterations at a time, and fewer when there are too few to
// give every worker several ranges: the host shares work with idle workers as a loop runs.
void maxon::ParallelFor::RunRanges(Int from, Int to, Int granularity, RangeJob job,
                                   const void* loop) {
  if (to <= from) return;
  const Int workers = GeGetCurrentThreadCount();
  const Int share = (to - from + 4 * workers - 1) / (4 * workers);
  const Int chunk = std::max<Int>(1, std::min(granularity, share));
  struct Call {
    RangeJob job;
    const void* loop;
  } call{job, loop};
  zvhost::ParallelForRanges(
      from, to, chunk,
      [](void* data, Int64 a, Int64 b, Int32) {
        const auto* c = static_cast<const Call*>(data);
        c->job(c->loop, a, b);
      },
      &call);
}
