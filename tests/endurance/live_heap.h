#pragma once
// Counts the heap blocks that the code linked into this executable (the plug-in
// among it) holds: the executable is linked with --wrap=malloc and --wrap=free.
// GL, the C++ runtime and other shared libraries keep their own malloc and are
// not counted, so the number moves only with our code's allocations.

#include <cstddef>

namespace liveHeap {

// Blocks handed out by malloc and not yet given to free.
std::ptrdiff_t blocks();

} // namespace liveHeap
