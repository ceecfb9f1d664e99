#include "filters/filter_bands.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "core/cpu_features.h"

namespace qm::filters {
namespace {

int default_threads() {
  return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

std::atomic<int> g_threads{default_threads()};
std::atomic<int64_t> g_temporary_limit{-1};

// Steps from several bands reach the real sink one at a time.
class LockedProgress final : public ProgressSink {
 public:
  explicit LockedProgress(ProgressSink* sink) : sink_(sink) {}
  void set_range(int64_t maximum) override {
    std::lock_guard lock(mutex_);
    sink_->set_range(maximum);
  }
  void step() override {
    std::lock_guard lock(mutex_);
    sink_->step();
  }
  void set_position(int64_t position) override {
    std::lock_guard lock(mutex_);
    sink_->set_position(position);
  }

 private:
  ProgressSink* sink_;
  std::mutex mutex_;
};

}  // namespace

int set_filter_threads(int count) { return g_threads.exchange(std::clamp(count, 1, 64)); }
int filter_threads() { return g_threads.load(std::memory_order_relaxed); }

int row_band_count(int rows, int min_rows) {
  return std::clamp(filter_threads(), 1, std::max(1, rows / std::max(1, min_rows)));
}

void for_row_bands(int y0, int y1, int bands, ProgressSink* progress,
                   const std::function<void(int, int, int, ProgressSink*)>& body) {
  const int rows = y1 - y0;
  if (rows <= 0) return;
  const int threads = std::clamp(bands, 1, rows);
  if (threads == 1) {
    body(0, y0, y1, progress);
    return;
  }
  LockedProgress locked(progress);
  ProgressSink* sink = progress ? &locked : nullptr;
  auto bound = [&](int t) { return y0 + int(int64_t{rows} * t / threads); };
  // A band that fails (its buffers refused) must neither end the program
  // from its thread nor leave threads unjoined: the first failure is kept
  // and raised again once every band has ended.
  std::exception_ptr failure;
  std::mutex failure_mutex;
  auto band = [&](int t, int a, int b, ProgressSink* s) {
    try {
      body(t, a, b, s);
    } catch (...) {
      std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  int inline_from = threads;
  for (int t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(band, t, bound(t), bound(t + 1), sink);
    } catch (...) {
      inline_from = t;
      break;
    }
  }
  band(0, bound(0), bound(1), sink);
  for (int t = inline_from; t < threads; ++t) band(t, bound(t), bound(t + 1), sink);
  for (std::thread& w : workers) w.join();
  if (failure) std::rethrow_exception(failure);
}

namespace {
std::atomic<bool> g_avx2_allowed{true};
}  // namespace

void set_filter_avx2(bool allowed) { g_avx2_allowed.store(allowed); }

bool filter_avx2() {
  return cpu_has_avx2() && g_avx2_allowed.load(std::memory_order_relaxed);
}

void set_temporary_limit(int64_t bytes) { g_temporary_limit.store(bytes); }

bool temporary_allowed(int64_t bytes) {
  const int64_t limit = g_temporary_limit.load(std::memory_order_relaxed);
  return limit < 0 || bytes <= limit;
}

}  // namespace qm::filters
