#include "core/allocation_gate.h"

#include <atomic>

namespace qm {

namespace {
std::atomic<AllocationGate> g_gate{nullptr};
}  // namespace

void set_allocation_gate(AllocationGate gate) { g_gate.store(gate, std::memory_order_release); }

bool allocation_allowed() {
  const AllocationGate gate = g_gate.load(std::memory_order_acquire);
  return !gate || gate();
}

}  // namespace qm
