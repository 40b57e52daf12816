#pragma once
// Composition of one frame: trail, sprites, the trail's capture, and the glow.

// Name of the rectangle texture holding the previous frame; -1 until made.
extern int feedbackTexture;

void renderFrame();
void drawFeedback();
void captureFeedback();
