#include "image/image_file.h"

#include "image/bmp_reader.h"

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

int imageFileHandle = -1;
int imageFileLength = 0;
unsigned char* imageFileBuffer = nullptr;

int openImageFile(const wchar_t* path)
{
    imageFileHandle = _wopen(path, _O_RDONLY | _O_BINARY);
    if (imageFileHandle == -1) {
        return 0;
    }
    // NOTE: the CRT's offsets are 32-bit; a length it cannot state is a file
    // this reader cannot read, so it is not kept open.
    const std::int64_t length = _lseek(imageFileHandle, 0, SEEK_END);
    if (length < 0 || length > INT_MAX) {
        _close(imageFileHandle);
        imageFileHandle = -1;
        return 0;
    }
    imageFileLength = static_cast<int>(length);
    return 1;
}

RgbaImage* readImageFile(int offset, int length)
{
    if (length <= 0 || length > imageFileLength) {
        length = imageFileLength;
    }
    if (imageFileHandle == -1) {
        return nullptr;
    }
    std::free(imageFileBuffer);
    imageFileBuffer = nullptr;
    // Too short to hold even the headers: nothing worth a buffer.
    if (length < bmpPixelOffset) {
        return nullptr;
    }
    imageFileBuffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(length)));
    if (imageFileBuffer == nullptr) {
        return nullptr;
    }
    if (_lseek(imageFileHandle, offset, SEEK_SET) != offset) {
        return nullptr;
    }
    // Only the bytes the read delivered are ever looked at, and a read that
    // delivers fewer than asked is a file that changed under us or broke.
    const int delivered = _read(imageFileHandle, imageFileBuffer, static_cast<unsigned int>(length));
    if (delivered != length || !bmpAccepted(imageFileBuffer, delivered)) {
        return nullptr;
    }
    return convertBmpToRgba(imageFileBuffer);
}

void closeImageFile()
{
    std::free(imageFileBuffer);
    imageFileBuffer = nullptr;
    if (imageFileHandle != -1) {
        _close(imageFileHandle);
        imageFileHandle = -1;
    }
}
