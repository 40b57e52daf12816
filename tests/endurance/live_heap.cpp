#include "live_heap.h"

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {

std::ptrdiff_t liveBlocks = 0;

} // namespace

// The tests and the plug-in run on one thread; no atomics needed.
extern "C" void* __wrap_malloc(std::size_t size)
{
    void* block = __real_malloc(size);
    if (block != nullptr)
        ++liveBlocks;
    return block;
}

extern "C" void __wrap_free(void* block)
{
    if (block != nullptr)
        --liveBlocks;
    __real_free(block);
}

namespace liveHeap {

std::ptrdiff_t blocks()
{
    return liveBlocks;
}

} // namespace liveHeap
