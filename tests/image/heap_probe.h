#pragma once
// Watches the heap calls made by code linked into the test executable (the
// plug-in among it): the executable is linked with --wrap=malloc and --wrap=free,
// so those calls come through here. GL, the C++ runtime and other shared
// libraries keep their own malloc and are not seen.

#include <cstddef>
#include <vector>

namespace heapProbe {

struct Allocation {
    std::size_t size;
    void* block;  // null when the probe made it fail
};

// Records every malloc and free from now until stop(). The failAt-th malloc
// (counted from 1) returns null instead; 0 lets every one succeed.
void start(int failAt = 0);
void stop();

const std::vector<Allocation>& allocations();
const std::vector<void*>& frees();
bool wasFreed(const void* block);

} // namespace heapProbe
