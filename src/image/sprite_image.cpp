#include "image/sprite_image.h"

#include "display/display.h"
#include "host/run_state.h"
#include "host/settings.h"
#include "image/bmp_reader.h"
#include "image/image_file.h"
#include "image/texture_upload.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>

RgbaImage* spriteImage = nullptr;
int spriteTexture = 0;

static_assert(std::char_traits<wchar_t>::length(spriteFileName) == spriteFileNameLength);

int spritePathBesideModule(wchar_t* path, DWORD capacity, DWORD nameLength)
{
    // A result of the buffer's size means the name was cut short (and may lack
    // its terminator); 0 means there is no name at all.
    if (nameLength == 0 || nameLength >= capacity) {
        return 0;
    }
    DWORD cut = nameLength;
    while (cut > 0 && path[cut - 1] != L'\\') {
        --cut;
    }
    std::wmemcpy(path + cut, spriteFileName, spriteFileNameLength + 1);
    return 1;
}

namespace {

// The picture's path: built in `local` (firstModuleNameCapacity characters and
// room for the picture's name) when the DLL's name fits there, else in a heap
// block that `grown` is left pointing at, for the caller to free. Null when the
// name cannot be had whole. NOTE: a DLL's folder may be named in any script, so
// the name is taken in UTF-16; the ANSI call would turn letters outside the
// system's code page into question marks and name a file that is not there.
const wchar_t* spritePath(HMODULE module, wchar_t* local, wchar_t*& grown)
{
    grown = nullptr;
    wchar_t* path = local;
    DWORD capacity = firstModuleNameCapacity;
    while (true) {
        const DWORD length = GetModuleFileNameW(module, path, capacity);
        if (spritePathBesideModule(path, capacity, length)) {
            return path;
        }
        std::free(grown);
        grown = nullptr;
        // Only a name cut short by the buffer is worth asking for again.
        if (length != capacity || capacity >= longestModuleNameCapacity) {
            return nullptr;
        }
        capacity = std::min(capacity * 2, longestModuleNameCapacity);
        grown = static_cast<wchar_t*>(
            std::malloc((capacity + spriteFileNameLength) * sizeof(wchar_t)));
        if (grown == nullptr) {
            return nullptr;
        }
        path = grown;
    }
}

} // namespace

int loadSpriteImage()
{
    wchar_t local[firstModuleNameCapacity + spriteFileNameLength];
    wchar_t* grown = nullptr;
    const wchar_t* path = spritePath(pluginInstance(hostModule), local, grown);
    const int opened = path != nullptr && openImageFile(path);
    std::free(grown);
    if (!opened) {
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
