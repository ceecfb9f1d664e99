#include "formats/ordered_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace qm {

int pipeline_threads() {
  return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

bool run_ordered_pipeline(int count, int ahead, const PipelineSteps &steps) {
  if (count <= 0)
    return true;
  ahead = std::max(1, ahead);
  enum : char { kPending, kDone, kFailed };
  std::vector<char> state(size_t(count), kPending);
  std::deque<int> queue;
  std::mutex mutex;
  std::condition_variable wake_worker, wake_caller;
  bool stop = false;
  // The first exception of any step (an allocation refused, say): the run
  // stops, every worker is joined, and it is raised on the calling thread.
  std::exception_ptr failure;

  auto worker = [&] {
    for (;;) {
      int item;
      {
        std::unique_lock lock(mutex);
        wake_worker.wait(lock, [&] { return stop || !queue.empty(); });
        if (stop)
          return;
        item = queue.front();
        queue.pop_front();
      }
      bool ok = false;
      try {
        ok = steps.work(item);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure)
          failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        state[size_t(item)] = ok ? kDone : kFailed;
      }
      wake_caller.notify_one();
    }
  };
  // One worker is pointless: the calling thread would only wait for it.
  std::vector<std::thread> workers;
  const int threads = std::min(pipeline_threads(), count);
  if (threads > 1) {
    for (int t = 0; t < threads; ++t) {
      try {
        workers.emplace_back(worker);
      } catch (...) {
        break; // fewer workers, or none: the work runs here
      }
    }
  }

  bool ok = true;
  int prepared = 0, finished = 0;
  try {
    while (ok && finished < count) {
      if (prepared < count && prepared - finished < ahead) {
        if (!steps.prepare(prepared)) {
          ok = false;
        } else if (workers.empty()) {
          state[size_t(prepared)] = steps.work(prepared) ? kDone : kFailed;
        } else {
          {
            std::lock_guard lock(mutex);
            queue.push_back(prepared);
          }
          wake_worker.notify_one();
        }
        ++prepared;
        continue;
      }
      char done;
      {
        std::unique_lock lock(mutex);
        wake_caller.wait(lock,
                         [&] { return state[size_t(finished)] != kPending; });
        done = state[size_t(finished)];
      }
      ok = done == kDone && steps.finish(finished);
      ++finished;
    }
  } catch (...) {
    std::lock_guard lock(mutex);
    if (!failure)
      failure = std::current_exception();
  }
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake_worker.notify_all();
  for (std::thread &w : workers)
    w.join();
  if (failure)
    std::rethrow_exception(failure);
  return ok;
}

} // namespace qm
