#pragma once
// Small RAII helpers the image tests share.

#include "image/rgba_image.h"

#include <cstdlib>
#include <memory>
#include <string>

struct FreeImage {
    void operator()(RgbaImage* image) const { std::free(image); }
};
using ImagePtr = std::unique_ptr<RgbaImage, FreeImage>;

// A picture block as the plug-in makes them, every pixel distinct (alpha too).
ImagePtr makePatternImage(int width, int height);

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The same path as Windows writes it: every slash a backslash.
std::string windowsPath(std::string path);

// Where the committed sources lie (tests/fuzz/malformed, assets).
std::string sourcePath(const std::string& relative);
