/* Preloaded into 32-bit Wine under QEMU's user-mode emulator: gives mmap's
 * MAP_FIXED_NOREPLACE the kernel's meaning again.
 *
 * NOTE: qemu-user 7.2 takes a MAP_FIXED_NOREPLACE address as a mere hint and maps
 * elsewhere when it is taken. Wine reserves its fixed address ranges with that
 * flag, keeps whatever it is given, and then fails ("failed to map the shared user
 * data: c0000018"). Here the address is asked for as a hint, and a mapping that
 * lands anywhere else is undone and refused with EEXIST, as the kernel would. */
#ifndef ZELVIS_EMPTY_TWIN
#define _GNU_SOURCE
#include <errno.h>
#include <stdint.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

enum { pageShift = 12 };

static void *mapPages(void *address, size_t length, int protection, int flags, int fd,
                      uint64_t offset)
{
    /* mmap2 counts the offset in pages: one off a page boundary is the kernel's
     * EINVAL, which Wine answers by reading the file instead. */
    if (offset & ((1u << pageShift) - 1)) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return (void *)syscall(SYS_mmap2, address, length, protection, flags, fd,
                           (unsigned long)(offset >> pageShift));
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, off64_t offset)
{
    if (!(flags & MAP_FIXED_NOREPLACE))
        return mapPages(address, length, protection, flags, fd, (uint64_t)offset);
    void *mapped = mapPages(address, length, protection, flags & ~MAP_FIXED_NOREPLACE, fd,
                            (uint64_t)offset);
    if (mapped == MAP_FAILED || mapped == address)
        return mapped;
    syscall(SYS_munmap, mapped, length);
    errno = EEXIST;
    return MAP_FAILED;
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, off_t offset)
{
    /* The 32-bit call takes its offset unsigned, as the kernel does. */
    return mmap64(address, length, protection, flags, fd, (off64_t)(uint32_t)offset);
}
#else
/* The 64-bit twin: nothing to mend for the 64-bit processes that inherit it. */
extern int zelvisNothingToMend;
#endif
