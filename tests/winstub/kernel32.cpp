// kernel32 as the plug-in sees it: its own module file name and the tick count,
// both set by the tests.

#include "stub_state.h"

#include <algorithm>
#include <cstring>

using namespace winstub;
using namespace winstub::detail;

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    record("GetModuleFileNameA", {handleValue(module), size});
    if (size == 0)
        return 0;
    // As since Windows Vista: a name that does not fit is cut and still terminated,
    // and the full buffer size is returned.
    const std::string& path = state().moduleFileName;
    const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
    std::memcpy(fileName, path.data(), copied);
    fileName[copied] = '\0';
    return path.size() < size ? static_cast<DWORD>(path.size()) : size;
}

DWORD WINAPI GetTickCount()
{
    record("GetTickCount", {});
    return state().tickCount;
}
