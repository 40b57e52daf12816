#include "heap_probe.h"

#include <algorithm>

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {

bool recording = false;
int failingCall = 0;
std::vector<heapProbe::Allocation> allocationLog;
std::vector<void*> freeLog;

} // namespace

// The logs grow through operator new, which lives in the shared C++ runtime and
// so does not come back here.
extern "C" void* __wrap_malloc(std::size_t size)
{
    if (!recording) {
        return __real_malloc(size);
    }
    const bool fail = static_cast<int>(allocationLog.size()) + 1 == failingCall;
    void* block = fail ? nullptr : __real_malloc(size);
    allocationLog.push_back({size, block});
    return block;
}

extern "C" void __wrap_free(void* block)
{
    if (recording && block != nullptr) {
        freeLog.push_back(block);
    }
    __real_free(block);
}

namespace heapProbe {

void start(int failAt)
{
    allocationLog.clear();
    freeLog.clear();
    failingCall = failAt;
    recording = true;
}

void stop()
{
    recording = false;
}

const std::vector<Allocation>& allocations()
{
    return allocationLog;
}

const std::vector<void*>& frees()
{
    return freeLog;
}

bool wasFreed(const void* block)
{
    return std::find(freeLog.begin(), freeLog.end(), block) != freeLog.end();
}

} // namespace heapProbe
