#include "allocation_fault.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/allocation_gate.h"

namespace qm::test {
namespace {

std::atomic<bool> g_armed{false};
std::atomic<bool> g_everything{false};
std::atomic<bool> g_persistent{false};
std::atomic<bool> g_refused{false};
std::atomic<int64_t> g_target{0};
std::atomic<int64_t> g_count{0};

bool refuse(bool from_new) {
  if (!g_armed.load(std::memory_order_relaxed)) return false;
  if (from_new && !g_everything.load(std::memory_order_relaxed)) return false;
  const int64_t n = g_count.fetch_add(1);
  const int64_t target = g_target.load();
  if (n == target || (n > target && g_persistent.load())) {
    g_refused = true;
    return true;
  }
  return false;
}

bool engine_gate() { return !refuse(false); }

void* allocate(std::size_t size) {
  if (refuse(true)) return nullptr;
  return std::malloc(size ? size : 1);
}

void* allocate_aligned(std::size_t size, std::align_val_t align) {
  if (refuse(true)) return nullptr;
  const std::size_t a = std::max(std::size_t(align), sizeof(void*));
  return std::aligned_alloc(a, (std::max<std::size_t>(size, 1) + a - 1) / a * a);
}

}  // namespace

AllocationFault::AllocationFault(int64_t at, FaultScope scope, bool persistent) {
  g_target = at;
  g_count = 0;
  g_refused = false;
  g_everything = scope == FaultScope::kEverything;
  g_persistent = persistent;
  set_allocation_gate(engine_gate);
  g_armed = true;
}

AllocationFault::~AllocationFault() {
  g_armed = false;
  set_allocation_gate(nullptr);
}

bool AllocationFault::refused() const { return g_refused; }

}  // namespace qm::test

// The replaceable global allocation functions, all on malloc and free.
void* operator new(std::size_t size) {
  if (void* p = qm::test::allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return qm::test::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return qm::test::allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
  if (void* p = qm::test::allocate_aligned(size, align)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return ::operator new(size, align);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return qm::test::allocate_aligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return qm::test::allocate_aligned(size, align);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
