#pragma once
// Start-up timing for the first-frame benchmark: how long since the
// process started (as the kernel recorded it) and since main() began.
namespace qm {

// Call first thing in main().
void mark_main_entered();
// Milliseconds since the process started; -1 when the kernel does not say.
double ms_since_process_start();
double ms_since_main();

}  // namespace qm
