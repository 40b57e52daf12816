#pragma once
// The one picture file the plug-in reads: opened, read whole into a buffer that
// the reader owns, checked and decoded, and closed again.

#include "image/rgba_image.h"

// The open file, or -1 while none is open.
extern int imageFileHandle;
// Length in bytes of the open file, taken when it was opened.
extern int imageFileLength;
// The bytes of the last read; freed by the next read or by closeImageFile.
extern unsigned char* imageFileBuffer;

// 1 when the file is open for reading as untranslated bytes, else 0 and nothing open.
int openImageFile(const wchar_t* path);
// Reads `length` bytes from `offset` (a length of 0 or less, or more than the
// file has, means the whole file) and decodes them. Null when no file is open,
// the read falls short, a buffer cannot be allocated or the bytes are no
// picture this plug-in reads.
RgbaImage* readImageFile(int offset, int length);
// Frees the buffer and closes the file, whichever of them is there.
void closeImageFile();
