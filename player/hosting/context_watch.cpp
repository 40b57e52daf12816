#include "hosting/context_watch.h"

#include "import_patch.h"

#include <atomic>

namespace {

using CreateContextFunction = HGLRC(WINAPI*)(HDC);
using DeleteContextFunction = BOOL(WINAPI*)(HGLRC);

CreateContextFunction realCreateContext = nullptr;
DeleteContextFunction realDeleteContext = nullptr;
std::atomic<long> liveContexts = 0;

HGLRC WINAPI watchedCreateContext(HDC deviceContext)
{
    HGLRC context = realCreateContext(deviceContext);
    if (context != nullptr) {
        ++liveContexts;
    }
    return context;
}

BOOL WINAPI watchedDeleteContext(HGLRC context)
{
    const BOOL deleted = realDeleteContext(context);
    if (deleted) {
        --liveContexts;
    }
    return deleted;
}

} // namespace

bool installContextWatch(HMODULE plugin)
{
    void* original = nullptr;
    const bool create = patchImport(plugin, "opengl32.dll", "wglCreateContext",
                                    reinterpret_cast<void*>(&watchedCreateContext), &original);
    if (create) {
        realCreateContext = reinterpret_cast<CreateContextFunction>(original);
    }
    const bool remove = patchImport(plugin, "opengl32.dll", "wglDeleteContext",
                                    reinterpret_cast<void*>(&watchedDeleteContext), &original);
    if (remove) {
        realDeleteContext = reinterpret_cast<DeleteContextFunction>(original);
    }
    return create || remove;
}

long liveContextCount()
{
    return liveContexts;
}
