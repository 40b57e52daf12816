#pragma once
// A temporary folder that plays the DLL's folder: it holds a small valid sprite
// picture beside where "vis_zel.dll" would be.

#include <filesystem>
#include <string>
#include <vector>

// An uncompressed 24-bit BMP with the 40-byte info header, rows bottom-up and
// padded to 4 bytes. `rgb` holds width x height pixels, top row first.
std::vector<unsigned char> makeBmp(int width, int height, const std::vector<unsigned char>& rgb);

class SpriteFolder {
public:
    SpriteFolder();
    ~SpriteFolder();
    SpriteFolder(const SpriteFolder&) = delete;
    SpriteFolder& operator=(const SpriteFolder&) = delete;

    const std::filesystem::path& path() const { return folder; }
    // The DLL's path in Windows form, \tmp\zelvis-test-...\vis_zel.dll, for
    // winstub::setModuleFileName.
    std::string windowsModulePath() const;
    void removePicture() const;
    void putPictureBack() const;

private:
    std::filesystem::path folder;
};
