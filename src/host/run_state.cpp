#include "host/run_state.h"

VisModule* hostModule = nullptr;
std::atomic<RunState> runState = RunState::loaded;

HINSTANCE pluginInstance(const VisModule* module)
{
    if (module->dllInstance != nullptr)
        return module->dllInstance;
    // Any address inside our own code names the module that holds it.
    HMODULE own = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&pluginInstance), &own);
    return own;
}
