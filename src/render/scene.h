#pragma once
// The animation: each frame's sprites from the settings, the clock and the music.

#include "host/settings.h"

// Millisecond tick count of the current frame, the time base of all its motion.
extern unsigned int frameTimeMs;
// Per-sprite random-walk angle in degrees, for the life of the loaded plug-in.
extern float spriteAngle[maxSpriteCount];

float spectrumEnergy(int channel);
void buildScene();
