#pragma once
// Where long work (saving, loading, filters) reports how far it has got. The
// GUI drives its progress dialog from it; the CLI and the tests pass none.
// Implementations must accept calls from a worker thread.
#include <cstdint>

namespace qm {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // The work runs from 0 to `maximum` steps; resets the position to 0.
  virtual void set_range(int64_t maximum) = 0;
  // One more step done.
  virtual void step() = 0;
  virtual void set_position(int64_t position) = 0;
};

}  // namespace qm
