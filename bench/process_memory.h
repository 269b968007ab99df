#pragma once

#include <cstddef>

// The bytes the allocator has handed out and not had back, large blocks included: what the
// process's own data takes, free of the allocator's slack and of shared libraries.
std::size_t heapInUse();

// The bytes of the process's memory that are in RAM: what the pages it touched take.
std::size_t residentBytes();
