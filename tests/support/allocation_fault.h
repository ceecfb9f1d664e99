#pragma once
// Allocation failure on demand, for tests. Linking this library replaces the
// global operator new of the test program; while an AllocationFault exists,
// allocations are counted from 0 and the one numbered `at` is refused
// (operator new throws std::bad_alloc, an engine block's malloc reports
// failure), and with `persistent` every later one too, as when memory has
// really run out. Counting covers every thread.
#include <cstdint>

namespace qm::test {

enum class FaultScope {
  kEngineBlocks,  // only the engine's large blocks (rasters, undo records)
  kEverything,    // those and every operator new
};

class AllocationFault {
 public:
  AllocationFault(int64_t at, FaultScope scope, bool persistent = false);
  ~AllocationFault();
  AllocationFault(const AllocationFault&) = delete;
  AllocationFault& operator=(const AllocationFault&) = delete;

  // Whether an allocation was refused; false means the work needed fewer
  // than `at` + 1 allocations.
  bool refused() const;
};

}  // namespace qm::test
