#pragma once
// What the trail and the glow share: a rectangle texture that receives a copy of
// the whole view, and the inset quad that draws such a copy magnified.

// Whether the plug-in's context offers rectangle textures; without them there is
// neither trail nor glow. Read from the extension list at every init.
extern bool rectangleTextures;

// Whether the space-separated extension list names one of the rectangle texture
// extensions, all of which give the target glTextureRectangle.
bool offersRectangleTextures(const char* extensions);

// Copies the whole view into the texture, making its storage first when it has
// none yet or when the view has outgrown it.
void captureView(int& name, int& storageWidth, int& storageHeight);

// The four corners of the full-window quad that samples the texel rectangle
// inset by (insetX, insetY); to be called between glBegin(GL_QUADS) and glEnd.
void emitInsetQuad(float insetX, float insetY);
