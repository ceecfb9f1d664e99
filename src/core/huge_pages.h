#pragma once
// A hint for a large buffer about to be written from end to end (a raster,
// a compressed stream): huge pages save thousands of page faults, which on
// a virtual machine cost more than the writing. Harmless where unsupported.
#include <cstddef>

namespace qm {

void advise_huge_pages(void* p, size_t bytes);

}  // namespace qm
