// The calls that touch the scene, run one at a time on one thread: the host is single-threaded, and
// its thread-local caches stay warm on the thread that loaded the module and built the scene.
#pragma once

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>

#include "studio_api.h"

namespace zvapp {

// The server's threads hand calls over and wait for their answers; the host's thread serves them.
class HostQueue {
 public:
  template <typename Call>
  ApiAnswer Run(Call call) {
    std::packaged_task<ApiAnswer()> task(std::move(call));
    std::future<ApiAnswer> answer = task.get_future();
    {
      std::lock_guard lock(mutex_);
      if (closed_) return {503, "{\"ok\": false, \"error\": \"the studio is ending\"}"};
      tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return answer.get();
  }
  // Runs the calls handed over until Close.
  void Serve() {
    for (;;) {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closed_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      std::packaged_task<ApiAnswer()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
    }
  }
  // The calls already handed over still run; no new one is taken.
  void Close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    wake_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<ApiAnswer()>> tasks_;
  bool closed_ = false;
};

}  // namespace zvapp
