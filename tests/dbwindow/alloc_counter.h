// A counting replacement of the global allocation functions for this test program:
// how many allocations happened, and an allocation that fails on request.
#pragma once

#include <cstdint>

namespace zh::test {

int64_t AllocationCount();
// The next allocation throws std::bad_alloc.
void FailNextAllocation();

}  // namespace zh::test
