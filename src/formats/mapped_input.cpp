#include "formats/mapped_input.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <utility>

namespace qm {
namespace {

// The ranges the guard answers for; a fault anywhere else is not ours.
constexpr int kSlots = 8;
struct Range {
  std::atomic<uintptr_t> begin{0}, end{0};
};
Range g_ranges[kSlots];
std::atomic<bool> g_enabled{false};
const char* g_message = "";
int g_exit_code = 1;
struct sigaction g_previous;

void on_bus_error(int sig, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (const Range& r : g_ranges) {
    if (at >= r.begin.load(std::memory_order_acquire) && at < r.end.load(std::memory_order_acquire)) {
      const ssize_t written = ::write(STDERR_FILENO, g_message, std::strlen(g_message));
      (void)written;
      ::_exit(g_exit_code);
    }
  }
  // Someone else's fault: hand it to whatever was there before, or end the
  // program as it would have ended without us (the raised signal waits
  // until this handler returns).
  if (g_previous.sa_flags & SA_SIGINFO) {
    g_previous.sa_sigaction(sig, info, context);
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(sig);
  } else {
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
  }
}

}  // namespace

void enable_mapped_input(const char* message, int exit_code) {
  if (g_enabled.load()) return;
  g_message = message;
  g_exit_code = exit_code;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = on_bus_error;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  if (::sigaction(SIGBUS, &action, &g_previous) == 0) g_enabled.store(true);
}

bool mapped_input_enabled() { return g_enabled.load(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      slot_(std::exchange(other.slot_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    reset();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

bool MappedFile::map(int fd, size_t size) {
  reset();
  if (!g_enabled.load() || size == 0) return false;
  // A claimed slot holds begin 1 and end 0, a range nothing falls in.
  int slot = -1;
  for (int i = 0; i < kSlots && slot < 0; ++i) {
    uintptr_t expected = 0;
    if (g_ranges[i].begin.compare_exchange_strong(expected, 1)) slot = i;
  }
  if (slot < 0) return false;
  void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (p == MAP_FAILED) {
    g_ranges[slot].begin.store(0, std::memory_order_release);
    return false;
  }
  const uintptr_t begin = reinterpret_cast<uintptr_t>(p);
  g_ranges[slot].begin.store(begin, std::memory_order_release);
  g_ranges[slot].end.store(begin + size, std::memory_order_release);
  data_ = static_cast<const uint8_t*>(p);
  size_ = size;
  slot_ = slot;
  return true;
}

void MappedFile::reset() {
  if (!data_) return;
  ::munmap(const_cast<uint8_t*>(data_), size_);
  g_ranges[slot_].end.store(0, std::memory_order_release);
  g_ranges[slot_].begin.store(0, std::memory_order_release);
  data_ = nullptr;
  size_ = 0;
  slot_ = -1;
}

}  // namespace qm
