#include "render/view_capture.h"

#include "image/texture_upload.h"
#include "render/gl_api.h"
#include "render/view.h"

#include <string_view>

bool rectangleTextures = false;

namespace {

// No alpha is kept: where the pixel format has alpha bits after all, the sprites'
// rims leave partial alpha in the frame, and a copy holding it would dim the glow.
void makeStorage(int width, int height)
{
    glTexImage2D(glTextureRectangle, 0, GL_RGB, width, height, 0, GL_RGB, GL_FLOAT, nullptr);
}

} // namespace

bool offersRectangleTextures(const char* extensions)
{
    if (extensions == nullptr)
        return false;
    std::string_view rest(extensions);
    while (!rest.empty()) {
        const std::size_t end = rest.find(' ');
        const std::string_view name = rest.substr(0, end);
        if (name == "GL_ARB_texture_rectangle" || name == "GL_EXT_texture_rectangle" ||
            name == "GL_NV_texture_rectangle")
            return true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

void captureView(int& name, int& storageWidth, int& storageHeight)
{
    // Read once: a host that renders on another thread than the window's may have a
    // new size stored while this copy is made, and storage made for one size but
    // recorded as another would refuse every later copy.
    const int width = viewWidth;
    const int height = viewHeight;
    if (name == -1) {
        name = nextTextureName;
        nextTextureName += 1;
        glBindTexture(glTextureRectangle, static_cast<GLuint>(name));
        makeStorage(width, height);
        storageWidth = width;
        storageHeight = height;
        glTexParameteri(glTextureRectangle, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(glTextureRectangle, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(glTextureRectangle, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(glTextureRectangle, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(glTextureRectangle);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(name));
    // A copy larger than the storage would be rejected and leave a stale image for
    // good; when the view has outgrown the texture, its storage follows the view.
    // A smaller view keeps the storage: the copy fills the corner the quad samples.
    if (width > storageWidth || height > storageHeight) {
        makeStorage(width, height);
        storageWidth = width;
        storageHeight = height;
    }
    glCopyTexSubImage2D(glTextureRectangle, 0, 0, 0, 0, 0, width, height);
    glDisable(glTextureRectangle);
    glEnable(GL_TEXTURE_2D);
}

void emitInsetQuad(float insetX, float insetY)
{
    const auto width = static_cast<float>(viewWidth);
    const auto height = static_cast<float>(viewHeight);
    // The copy has its bottom row at t = 0 while the overlay has y = 0 at the top.
    glTexCoord2f(insetX, height - insetY);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(insetX, insetY);
    glVertex2f(0.0f, height);
    glTexCoord2f(width - insetX, insetY);
    glVertex2f(width, height);
    glTexCoord2f(width - insetX, height - insetY);
    glVertex2f(width, 0.0f);
}
