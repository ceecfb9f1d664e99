#pragma once
// Running short of memory never ends the program. Every command (through
// the command registry), every progress job (its failure crosses back to the
// user-interface thread) and the canvas's pointer input run inside
// run_guarded: an allocation that fails ends the work there, the user is
// told "ﾒﾓﾘの確保に失敗", and the program goes on. The long operations build
// their results aside and swap them in only when complete, so what a failed
// command leaves behind is the document as it was.
#include <new>

namespace qm {

inline constexpr const char* kMsgOutOfMemory = "ﾒﾓﾘの確保に失敗";

// Runs `work()`; when an allocation in it fails, calls `report()` and returns
// false. A report that itself finds no memory is given up silently.
template <class Work, class Report>
bool run_guarded(Work&& work, Report&& report) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc&) {
    try {
      report();
    } catch (const std::bad_alloc&) {
    }
    return false;
  }
}

}  // namespace qm
