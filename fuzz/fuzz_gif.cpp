#include "fuzz_picture.h"

bool qm_fuzz_one(const uint8_t* data, size_t size) { return qm::fuzz::load_as_picture(data, size, "gif"); }
