#pragma once
// The floor a frame of the plug-in is measured against: only the full-window
// passes that such a frame cannot do without (two clears, two copies of the
// window into rectangle textures, the trail quad, the 30 glow layers in one
// glBegin/glEnd), with the state set once, and nothing else: no sprites, no
// scene, no state put back between passes.

#include <array>

struct FloorFrame {
    int width;
    int height;
    unsigned int glowTexture;
    unsigned int trailTexture;
};

enum class FloorPass { clear, glowCopy, trailQuad, trailCopy, glowLayers };

// The passes of one frame, in order.
constexpr std::array<FloorPass, 6> floorPasses{FloorPass::clear,     FloorPass::glowCopy,
                                               FloorPass::clear,     FloorPass::trailQuad,
                                               FloorPass::trailCopy, FloorPass::glowLayers};

// Makes the two textures at the view size and sets the state every pass shares;
// the current context must be the floor's own, sized width x height.
FloorFrame makeFloorFrame(int width, int height);
void drawFloorPass(const FloorFrame& floor, FloorPass pass);
void drawFloorFrame(const FloorFrame& floor);
