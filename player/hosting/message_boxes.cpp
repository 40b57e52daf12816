#include "hosting/message_boxes.h"

#include "hosting/host_window.h"
#include "import_patch.h"

namespace {

using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

struct MessageBoxState {
    bool unattended = false;
    HWND mainWindow = nullptr;
    HostLog* log = nullptr;
    MessageBoxFunction realMessageBox = nullptr;
    long count = 0;
};

MessageBoxState boxes;

int WINAPI hostMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    ++boxes.count;
    const int answer = boxes.unattended ? IDOK : boxes.realMessageBox(owner, text, caption, style);
    JsonLine line("messageBox");
    line.text("caption", caption).text("text", text).number("style", style);
    addWindowField(line, "owner", owner, boxes.mainWindow);
    line.number("answer", answer).flag("unattended", boxes.unattended);
    boxes.log->write(line);
    return answer;
}

} // namespace

bool installMessageBoxHook(HMODULE plugin, bool unattended, HWND mainWindow, HostLog& log)
{
    boxes.unattended = unattended;
    boxes.mainWindow = mainWindow;
    boxes.log = &log;
    void* original = nullptr;
    if (!patchImport(plugin, "user32.dll", "MessageBoxA", reinterpret_cast<void*>(&hostMessageBoxA),
                     &original)) {
        return false;
    }
    boxes.realMessageBox = reinterpret_cast<MessageBoxFunction>(original);
    return true;
}

long messageBoxCount()
{
    return boxes.count;
}
