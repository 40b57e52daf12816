#include "console_text.h"

#include "utf8_file.h"

#include <windows.h>

#include <mutex>

namespace {

ConsolePlan consolePlan{};
// The files passed over, for the box at the end.
std::mutex skippedLock;
std::string skipped;

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// NOTE: Wine gives a program started from a Unix terminal a console of its own,
// the terminal, whose window it never shows; one that Wine opens as Windows does
// (start.exe, Explorer) has a window on screen.
bool wineUnixTerminal()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const HWND window = GetConsoleWindow();
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr &&
           window != nullptr && !IsWindowVisible(window);
}

} // namespace

ConsoleState settleConsole()
{
    ConsoleState state;
    DWORD processes[2] = {};
    // NOTE: a list too short for every process still answers the whole count.
    state.processes = GetConsoleProcessList(processes, 2);
    state.plan = planConsole(state.processes, isConsole(GetStdHandle(STD_ERROR_HANDLE)),
                             wineUnixTerminal());
    if (state.plan.release && !FreeConsole()) {
        // The window stays; printing there is still better than saying nothing.
        state.plan = ConsolePlan{};
    }
    consolePlan = state.plan;
    return state;
}

void writeText(std::FILE* stream, const std::string& text)
{
    const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    std::wstring wide;
    if (isConsole(handle) && widenUtf8(text, wide)) {
        std::fflush(stream);
        DWORD written = 0;
        if (WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) {
            return;
        }
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void reportError(const std::string& message)
{
    const std::string line = "zelplay: " + message;
    std::wstring wide;
    if (consolePlan.errorsInBox && widenUtf8(line, wide)) {
        MessageBoxW(nullptr, wide.c_str(), L"zelplay", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return;
    }
    writeText(stderr, line + "\n");
}

void reportSkipped(const std::string& message)
{
    if (!consolePlan.errorsInBox) {
        reportError(message);
        return;
    }
    std::lock_guard<std::mutex> held(skippedLock);
    skipped += "zelplay: " + message + "\n";
}

void showSkipped()
{
    std::wstring wide;
    {
        std::lock_guard<std::mutex> held(skippedLock);
        if (skipped.empty() || !widenUtf8("These files were passed over:\n\n" + skipped, wide)) {
            return;
        }
        skipped.clear();
    }
    MessageBoxW(nullptr, wide.c_str(), L"zelplay", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}
