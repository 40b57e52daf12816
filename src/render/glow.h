#pragma once
// The zoom-blur glow of the sprites alone, tinted by the music.

// Name of the rectangle texture holding the sprites-only image; -1 until made.
extern int glowTexture;

void captureGlow();
void drawGlow();
