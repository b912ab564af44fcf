// Counts the program's heap allocations: the program that links allocation_counter.cpp
// has its global operator new replaced by one that counts before it allocates.
#ifndef TESTS_ALLOCATION_COUNTER_H_
#define TESTS_ALLOCATION_COUNTER_H_

// Allocations through operator new (every form) since the program started.
long AllocationsSoFar();

#endif  // TESTS_ALLOCATION_COUNTER_H_
