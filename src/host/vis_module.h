#pragma once
// The two records the media player shares with us in memory. Their layout is the
// host's, fixed to the byte for the 32-bit player; see the assertions below.

#include <windows.h>

#include <cstddef>

struct VisModule;

struct VisHeader {
    int version;
    const char* description;
    VisModule* (*getModule)(int index);
};

constexpr int visSpectrumRows = 2;
constexpr int visSpectrumBins = 576;

struct VisModule {
    const char* description;
    HWND parentWindow;
    HINSTANCE dllInstance;
    int sampleRate;
    int channels;
    int latencyMs;
    int delayMs;
    int spectrumChannels;
    int waveformChannels;
    unsigned char spectrumData[visSpectrumRows][visSpectrumBins];
    unsigned char waveformData[visSpectrumRows][visSpectrumBins];
    void (*config)(VisModule* module);
    int (*init)(VisModule* module);
    int (*render)(VisModule* module);
    int (*quit)(VisModule* module);
    void* userData;
};

constexpr int visHeaderVersion = 0x101;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(VisHeader) == 12);
static_assert(offsetof(VisHeader, version) == 0);
static_assert(offsetof(VisHeader, description) == 4);
static_assert(offsetof(VisHeader, getModule) == 8);

static_assert(sizeof(VisModule) == 2360);
static_assert(offsetof(VisModule, description) == 0);
static_assert(offsetof(VisModule, parentWindow) == 4);
static_assert(offsetof(VisModule, dllInstance) == 8);
static_assert(offsetof(VisModule, sampleRate) == 12);
static_assert(offsetof(VisModule, channels) == 16);
static_assert(offsetof(VisModule, latencyMs) == 20);
static_assert(offsetof(VisModule, delayMs) == 24);
static_assert(offsetof(VisModule, spectrumChannels) == 28);
static_assert(offsetof(VisModule, waveformChannels) == 32);
static_assert(offsetof(VisModule, spectrumData) == 36);
static_assert(offsetof(VisModule, waveformData) == 1188);
static_assert(offsetof(VisModule, config) == 2340);
static_assert(offsetof(VisModule, init) == 2344);
static_assert(offsetof(VisModule, render) == 2348);
static_assert(offsetof(VisModule, quit) == 2352);
static_assert(offsetof(VisModule, userData) == 2356);
#endif
