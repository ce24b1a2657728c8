#pragma once
// Random bytes for what must differ between processes and runs: writer ids,
// the hidden names of writes and the identifiers of exported series.
#include <cstddef>
#include <string>

namespace velmor {

// Fills `buffer` from the kernel's random source. Where that cannot be had,
// the clock, the process id and a count of calls fill it instead, which
// still keep two calls (in one process or two) apart.
void FillRandom(void* buffer, size_t size);
// 16 hex digits from FillRandom, which no digits seen before foretell.
std::string RandomDigits();

} // namespace velmor
