#include "image/sprite_image.h"

#include "display/display.h"
#include "host/run_state.h"
#include "host/settings.h"
#include "image/bmp_reader.h"
#include "image/image_file.h"
#include "image/texture_upload.h"

#include <cstdlib>
#include <cstring>

RgbaImage* spriteImage = nullptr;
int spriteTexture = 0;

int spritePathBesideModule(char (&path)[spritePathCapacity], DWORD nameLength)
{
    // A result of the buffer's size means the name was cut short (and may lack
    // its terminator); 0 means there is no name at all.
    if (nameLength == 0 || nameLength >= spritePathCapacity) {
        return 0;
    }
    std::size_t cut = nameLength;
    while (cut > 0 && path[cut - 1] != '\\') {
        --cut;
    }
    const std::size_t nameBytes = std::strlen(spriteFileName) + 1;
    if (cut + nameBytes > spritePathCapacity) {
        return 0;
    }
    std::memcpy(path + cut, spriteFileName, nameBytes);
    return 1;
}

int loadSpriteImage()
{
    char path[spritePathCapacity];
    const DWORD nameLength =
        GetModuleFileNameA(pluginInstance(hostModule), path, spritePathCapacity);
    if (!spritePathBesideModule(path, nameLength) || !openImageFile(path)) {
        return 0;
    }
    // The sprite is always clamped; only its filter follows the setting.
    const int savedMode = textureMode;
    textureMode = savedMode != 0 ? 2 : 3;
    spriteImage = readImageFile(0, 0);
    int loaded = 0;
    if (spriteImage != nullptr) {
        applyAlphaKey(spriteImage, spriteKeyThreshold);
        const int name = uploadTexture(spriteImage);
        if (name != 0) {
            spriteTexture = name;
            loaded = 1;
        }
        // The texture holds its own copy of the pixels. The media player frees the
        // DLL after every run but not what it took from the heap, so an image kept
        // here would cost its size again at every start of the visualisation.
        std::free(spriteImage);
        spriteImage = nullptr;
    }
    closeImageFile();
    textureMode = savedMode;
    return loaded;
}

int loadSpriteOrWarn()
{
    textureMode = pluginSettings.smoothImage;
    if (loadSpriteImage()) {
        return 0;
    }
    showFailure("Image load failed.");
    return 1;
}
