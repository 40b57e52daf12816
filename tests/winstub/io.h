#pragma once
// The Microsoft C runtime's low-level file calls, answered by POSIX. _open takes
// the Windows path the plug-in built, records it for the tests, and opens it with
// its backslashes turned into slashes.

#define _O_RDONLY 0x0000
#define _O_BINARY 0x8000

int _open(const char* path, int flags, ...);
long _lseek(int handle, long offset, int origin);
int _read(int handle, void* buffer, unsigned int count);
int _close(int handle);
