#include "vis_thread.h"

#include "win32_error.h"

#include <windows.h>

namespace {

DWORD WINAPI visThreadMain(void* work)
{
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

// Delivers this thread's messages until the thread ends. The rendering thread
// blocks in SendMessage whenever the plug-in asks the player something; only a
// main thread that keeps dispatching lets it go on.
void dispatchUntilEnded(HANDLE thread)
{
    while (true) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            return;
        }
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(thread, INFINITE);
            return;
        }
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

} // namespace

bool runOnVisThread(const std::function<void()>& work, std::string& error)
{
    HANDLE thread = CreateThread(nullptr, 0, visThreadMain,
                                 const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (thread == nullptr) {
        error = "cannot start the rendering thread: " + describeError(GetLastError());
        return false;
    }
    dispatchUntilEnded(thread);
    CloseHandle(thread);
    return true;
}
