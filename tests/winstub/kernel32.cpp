// kernel32 as the plug-in sees it: its own module and file name, the tick count,
// set by the tests, the calling thread, and a sleep that sleeps.

#include "stub_state.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <thread>

using namespace winstub;
using namespace winstub::detail;

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    record("GetModuleFileNameW", {handleValue(module), size});
    if (size == 0)
        return 0;
    // As since Windows Vista: a name that does not fit is cut and still terminated,
    // and the full buffer size is returned.
    // The null module is the program that loaded the DLL, not the DLL.
    const std::wstring path =
        utf16FromUtf8(module == nullptr ? hostProgramPath : state().moduleFileName);
    const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
    std::wmemcpy(fileName, path.data(), copied);
    fileName[copied] = L'\0';
    return path.size() < size ? static_cast<DWORD>(path.size()) : size;
}

BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR, HMODULE* module)
{
    record("GetModuleHandleExA", {flags});
    // Every address a test can name lies in the plug-in's code.
    *module = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0 ? dllInstance() : nullptr;
    return *module != nullptr ? TRUE : FALSE;
}

DWORD WINAPI GetCurrentThreadId()
{
    static std::atomic<DWORD> nextId = 1;
    thread_local const DWORD id = nextId++;
    return id;
}

DWORD WINAPI GetTickCount()
{
    record("GetTickCount", {});
    if (state().onTickCount)
        state().onTickCount();
    return state().tickCount;
}

void WINAPI Sleep(DWORD milliseconds)
{
    record("Sleep", {milliseconds});
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
