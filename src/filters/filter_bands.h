#pragma once
// Row bands over worker threads and the temporaries of the neighbourhood
// filters. Every band computes its rows exactly as a single pass would, so
// the result does not depend on the thread count.
#include <cstdint>
#include <functional>

#include "formats/progress_sink.h"

namespace qm::filters {

// Threads the filters may use (1 = the calling thread only). The default is
// the machine's core count, at most 8. Returns the previous value.
int set_filter_threads(int count);
int filter_threads();

// How many bands for_row_bands() makes of `rows` rows, each at least
// `min_rows` high; callers allocate per-band scratch for that many up front,
// so nothing can fail once pixels are being written.
int row_band_count(int rows, int min_rows);

// Runs body(band, begin, end, progress) over `bands` contiguous bands of
// rows [y0, y1) (from row_band_count) and waits for all of them; body must
// not throw. The sink handed to the bands forwards each step under a lock
// (null without one). When no thread can be started the remaining bands
// run here.
void for_row_bands(int y0, int y1, int bands, ProgressSink* progress,
                   const std::function<void(int, int, int, ProgressSink*)>& body);

// Temporaries larger than this many bytes are refused, as if memory had run
// out (negative = no limit, the default). For tests of the failure paths.
void set_temporary_limit(int64_t bytes);
// Whether a temporary of `bytes` may be allocated.
bool temporary_allowed(int64_t bytes);

}  // namespace qm::filters
