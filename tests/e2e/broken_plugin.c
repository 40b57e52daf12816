/* Visualisation DLLs that a host must refuse, built in two variants:
   BROKEN_NO_EXPORT lacks the header export altogether; BROKEN_NULL_MODULE
   exports a header whose getModule offers no module 0. */
#include <stddef.h>

#if defined(BROKEN_NO_EXPORT)

__declspec(dllexport) int notAVisualisation(void)
{
    return 0;
}

#elif defined(BROKEN_NULL_MODULE)

struct Header {
    int version;
    const char* description;
    void* (*getModule)(int index);
};

static void* noModule(int index)
{
    (void)index;
    return NULL;
}

static struct Header header = {0x101, "broken", noModule};

__declspec(dllexport) struct Header* winampVisGetHeader(void)
{
    return &header;
}

#else
#error "define BROKEN_NO_EXPORT or BROKEN_NULL_MODULE"
#endif
