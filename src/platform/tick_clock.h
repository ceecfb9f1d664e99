#pragma once
// The one clock of pointer events, mouse and pen alike, so "within half a
// second of the pen's release" compares times of the same clock.
#include <cstdint>

namespace qm {

// Milliseconds, steadily increasing; starts well above 0 so "just after"
// comparisons never see a negative time.
int64_t tick_count_ms();

}  // namespace qm
