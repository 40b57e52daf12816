#include "hosting/render_thread.h"

#include "win32_error.h"

namespace {

DWORD WINAPI renderThreadMain(void* parameter)
{
    auto& render = *static_cast<RenderThread*>(parameter);
    while (WaitForSingleObject(render.go, INFINITE) == WAIT_OBJECT_0 && !render.quit) {
        render.result = render.module->render(render.module);
        SetEvent(render.done);
    }
    return 0;
}

// Dispatches this thread's messages until `done` is set. A WM_QUIT that arrives
// meanwhile is put back for the start's loop to find.
void pumpUntil(HANDLE done)
{
    bool quit = false;
    WPARAM exitCode = 0;
    while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                exitCode = message.wParam;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(exitCode));
    }
}

} // namespace

bool startRenderThread(RenderThread& render, std::string& error)
{
    render.go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    render.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (render.go != nullptr && render.done != nullptr) {
        render.thread = CreateThread(nullptr, 0, renderThreadMain, &render, 0, nullptr);
    }
    if (render.thread == nullptr) {
        error = "cannot start the render thread: " + describeError(GetLastError());
        stopRenderThread(render);
        return false;
    }
    return true;
}

int callRender(RenderThread* render, VisModule* module, const std::function<void()>& whileDrawing)
{
    if (render == nullptr) {
        return module->render(module);
    }
    render->module = module;
    SetEvent(render->go);
    if (whileDrawing) {
        whileDrawing();
    }
    pumpUntil(render->done);
    return render->result;
}

void stopRenderThread(RenderThread& render)
{
    if (render.thread != nullptr) {
        render.quit = true;
        SetEvent(render.go);
        WaitForSingleObject(render.thread, INFINITE);
        CloseHandle(render.thread);
        render.thread = nullptr;
    }
    for (HANDLE* event : {&render.go, &render.done}) {
        if (*event != nullptr) {
            CloseHandle(*event);
            *event = nullptr;
        }
    }
}
