#include "hosting/start_thread.h"

#include "monotonic_ms.h"
#include "win32_error.h"

namespace {

DWORD WINAPI startThreadMain(void* work)
{
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

void dispatchWaiting()
{
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The player's stop: the flag, a pumped wait of at most stopPumpMs, then an
// unpumped one. Answers whether the thread ended.
bool stopStart(HANDLE thread, std::atomic<bool>& stopFlag, bool pump, HostLog& log)
{
    stopFlag = true;
    const LONGLONG start = monotonicMs();
    bool ended = false;
    LONGLONG pumpedMs = 0;
    if (pump) {
        while (!ended) {
            const LONGLONG left = stopPumpMs - (monotonicMs() - start);
            if (left <= 0) {
                break;
            }
            const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, static_cast<DWORD>(left),
                                                         QS_ALLINPUT);
            ended = woke == WAIT_OBJECT_0;
            if (woke == WAIT_OBJECT_0 + 1) {
                dispatchWaiting();
            } else if (woke != WAIT_OBJECT_0) {
                break;
            }
        }
        pumpedMs = monotonicMs() - start;
    }
    const LONGLONG unpumpedStart = monotonicMs();
    if (!ended) {
        ended = WaitForSingleObject(thread, stopUnpumpedBoundMs) == WAIT_OBJECT_0;
    }
    log.write(JsonLine("stop")
                  .flag("pumping", pump)
                  .number("pumpedMs", pumpedMs)
                  .number("unpumpedMs", ended ? monotonicMs() - unpumpedStart : -1LL)
                  .flag("threadEnded", ended));
    return ended;
}

} // namespace

StartThreadResult runStartThread(const std::function<void()>& work, HostWindow& host,
                                 std::atomic<bool>& stopFlag, bool pumpWhileStopping, HostLog& log,
                                 std::string& error)
{
    StartThreadResult result;
    HANDLE thread = CreateThread(nullptr, 0, startThreadMain,
                                 const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (thread == nullptr) {
        error = "cannot start the visualisation's thread: " + describeError(GetLastError());
        return result;
    }
    result.started = true;
    while (true) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            break;
        }
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(thread, INFINITE);
            break;
        }
        dispatchWaiting();
        if (host.stopRequested || host.closeRequested) {
            result.ended = stopStart(thread, stopFlag, pumpWhileStopping, log);
            if (!result.ended) {
                error = "the visualisation did not end within " +
                        std::to_string((stopPumpMs + stopUnpumpedBoundMs) / 1000) +
                        " s of the player's stop";
            }
            break;
        }
    }
    CloseHandle(thread);
    return result;
}
