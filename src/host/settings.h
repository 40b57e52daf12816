#pragma once
// The fixed tunables. initPlugin writes the defaults at every call; nothing else
// writes them, so tests may vary them between init and render.

struct PluginSettings {
    int smoothImage;
    int fullscreen;
    int feedbackPulse;
    int feedbackExtraPass;
    float feedbackZoom;
    int glowEnabled;
    int tumble;
    int spin;
    int spriteCount;
    float spriteSize;
};

// spriteAngle holds one slot per sprite, so spriteCount may not exceed this.
constexpr int maxSpriteCount = 1000;

constexpr PluginSettings defaultSettings{
    .smoothImage = 1,
    .fullscreen = 0,
    .feedbackPulse = 0,
    .feedbackExtraPass = 0,
    .feedbackZoom = 10.0f,
    .glowEnabled = 1,
    .tumble = 0,
    .spin = 0,
    .spriteCount = 8,
    .spriteSize = 8.0f,
};

extern PluginSettings pluginSettings;
