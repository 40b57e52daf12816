/* Visualisation DLLs that break a host, built in three variants:
   BROKEN_NO_EXPORT lacks the header export altogether; BROKEN_NULL_MODULE
   exports a header whose getModule offers no module 0; BROKEN_STALLS starts
   without a window and never returns from its third render call. */
#include <stddef.h>
#include <windows.h>

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

#elif defined(BROKEN_STALLS)

struct Module;

struct Header {
    int version;
    const char* description;
    struct Module* (*getModule)(int index);
};

/* The host's module record: 2,360 bytes on i686. */
struct Module {
    const char* description;
    HWND parentWindow;
    HINSTANCE dllInstance;
    int sampleRate, channels, latencyMs, delayMs, spectrumChannels, waveformChannels;
    unsigned char spectrumData[2][576];
    unsigned char waveformData[2][576];
    void (*config)(struct Module*);
    int (*init)(struct Module*);
    int (*render)(struct Module*);
    void (*quit)(struct Module*);
    void* userData;
};

static int noInit(struct Module* module)
{
    (void)module;
    return 0;
}

static int stallingRender(struct Module* module)
{
    static int calls;
    (void)module;
    if (++calls == 3)
        Sleep(INFINITE);
    return 0;
}

static void noQuit(struct Module* module)
{
    (void)module;
}

static struct Module module = {.description = "stalls", .latencyMs = 25, .delayMs = 25,
                               .spectrumChannels = 2, .init = noInit,
                               .render = stallingRender, .quit = noQuit};

static struct Module* moduleZero(int index)
{
    return index == 0 ? &module : NULL;
}

static struct Header header = {0x101, "stalls", moduleZero};

__declspec(dllexport) struct Header* winampVisGetHeader(void)
{
    return &header;
}

#else
#error "define BROKEN_NO_EXPORT, BROKEN_NULL_MODULE or BROKEN_STALLS"
#endif
