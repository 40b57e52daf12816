#pragma once
// The Microsoft C runtime's low-level file calls, answered by POSIX. _wopen takes
// the Windows path the plug-in built in UTF-16, records it for the tests in UTF-8,
// and opens it with its backslashes turned into slashes.

#define _O_RDONLY 0x0000
#define _O_BINARY 0x8000

int _wopen(const wchar_t* path, int flags, ...);
long _lseek(int handle, long offset, int origin);
int _read(int handle, void* buffer, unsigned int count);
int _close(int handle);
