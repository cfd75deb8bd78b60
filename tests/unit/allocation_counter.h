// Counts the calls of the global operator new in this test program, for
// tests that hold a piece of per-frame work to allocating nothing.
#pragma once

#include <cstddef>

std::size_t HeapAllocations();
