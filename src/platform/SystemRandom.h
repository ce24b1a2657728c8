#pragma once
// Random bytes for what must differ between processes and runs: writer ids
// and the identifiers of exported series.
#include <cstddef>

namespace velmor {

// Fills `buffer` from the kernel's random source. Where that cannot be had,
// the clock, the process id and a count of calls fill it instead, which
// still keep two calls (in one process or two) apart.
void FillRandom(void* buffer, size_t size);

} // namespace velmor
