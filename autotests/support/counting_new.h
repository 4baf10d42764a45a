#pragma once

// Counts every heap allocation of a test program that links vortlen3_counting_new in: it
// replaces the global operator new, so that a test can show that a piece of work makes none.
namespace vortlen::test {

/// Allocations since the program started.
long heapAllocations();

}  // namespace vortlen::test
