#include <windows.h>

// Loading and unloading do no work: everything happens in the entry points,
// on the host's thread.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
