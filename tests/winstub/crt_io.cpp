// The C runtime's low-level file calls on POSIX. Paths arrive in Windows form,
// in UTF-16; every backslash becomes a slash, so "\tmp\x\vis_zel.bmp" opens
// /tmp/x/vis_zel.bmp, and the name is the file system's UTF-8.

#include "stub_state.h"

#include <io.h>

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

using namespace winstub;
using namespace winstub::detail;

int _wopen(const wchar_t* widePath, int flags, ...)
{
    const std::string path = utf8FromUtf16(widePath);
    record("_wopen", {flags}, {path});
    state().openedPaths.push_back(path);
    // The plug-in only reads; anything else is a fault the tests should see.
    if ((flags & ~_O_BINARY) != _O_RDONLY)
        return -1;
    std::string posixPath(path);
    std::ranges::replace(posixPath, '\\', '/');
    const int handle = ::open(posixPath.c_str(), O_RDONLY);
    if (handle >= 0)
        state().openFiles.insert(handle);
    return handle;
}

long _lseek(int handle, long offset, int origin)
{
    record("_lseek", {handle, offset, origin});
    if (!state().openFiles.contains(handle))
        return -1;
    const off_t position = ::lseek(handle, offset, origin);
    // The Windows call answers in a 32-bit long.
    return position > INT_MAX ? -1L : static_cast<long>(position);
}

int _read(int handle, void* buffer, unsigned int count)
{
    record("_read", {handle, count});
    if (!state().openFiles.contains(handle))
        return -1;
    return static_cast<int>(::read(handle, buffer, std::min<unsigned int>(count, INT_MAX)));
}

int _close(int handle)
{
    record("_close", {handle});
    if (state().openFiles.erase(handle) == 0)
        return -1;
    return ::close(handle);
}
