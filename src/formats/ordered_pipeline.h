#pragma once
// Work on a sequence of items (the layers of a file) where reading and writing
// must run in order on the calling thread but the heavy middle step
// (compressing, inflating) may run on other cores.
#include <functional>

namespace qm {

struct PipelineSteps {
  // In order, on the calling thread, before `work` (reading an item's bytes).
  std::function<bool(int)> prepare;
  // On any thread, items in any order and at the same time as each other.
  std::function<bool(int)> work;
  // In order, on the calling thread, once the item's work is done (writing
  // it out, handing it on, reporting progress).
  std::function<bool(int)> finish;
};

// The number of threads the middle steps use: the machine's cores, at most 4.
int pipeline_threads();

// Runs the steps for items 0 … count − 1, at most `ahead` items prepared but
// not finished at a time (so memory stays bounded). Stops at the first step
// that returns false and returns false; items after it are not finished.
// Without threads to be had, everything runs on the calling thread.
bool run_ordered_pipeline(int count, int ahead, const PipelineSteps& steps);

}  // namespace qm
