#include "display/window_notice.h"

#include "host/run_state.h"

void announceWindow(HWND host, HWND window)
{
    SendMessageA(host, WM_USER, reinterpret_cast<WPARAM>(window), hostWindowNotice);
}

void withdrawWindow(HWND host)
{
    if (GetWindowThreadProcessId(host, nullptr) == GetCurrentThreadId()) {
        SendMessageA(host, WM_USER, 0, hostWindowNotice);
        return;
    }
    // NOTE: some hosts wait for their rendering thread without pumping their window's
    // messages while quit runs; an unbounded send would then never return.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(host, WM_USER, 0, hostWindowNotice, SMTO_ABORTIFHUNG, withdrawTimeoutMs,
                        &ignored);
}
