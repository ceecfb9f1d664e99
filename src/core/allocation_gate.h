#pragma once
// The engine takes its large blocks (rasters, undo records, resampling
// tables) with malloc and reports a refusal as a failed result. Every such
// allocation first asks this gate, so a test can refuse any one of them and
// check that the command it belongs to changes nothing. Without a gate set,
// everything is allowed.
namespace qm {

using AllocationGate = bool (*)();

// The gate asked before each block; nullptr allows all.
void set_allocation_gate(AllocationGate gate);
// False when the gate refuses this allocation.
bool allocation_allowed();

}  // namespace qm
