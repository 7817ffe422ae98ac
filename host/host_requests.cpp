#include "host/host_requests.h"

#include "host/plugin.h"

enum { LOWEST_POINTER = 0x10000 };

LRESULT SendHostCommand(WPARAM wParam, LPARAM command) {
    return SendMessageA(PluginRecord.parentWindow, WM_USER, wParam, command);
}

static const DWORD READABLE = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// How many of the `wanted` bytes from `at` on lie in committed memory that
// can be read without a fault. A guard page counts as unreadable: touching
// it would raise an exception in a stack that is not ours.
static size_t ReadableBytes(const BYTE *at, size_t wanted) {
    size_t readable = 0;
    while (readable < wanted) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(at + readable, &region, sizeof region) == 0)
            break;
        if (region.State != MEM_COMMIT || (region.Protect & READABLE) == 0 ||
            (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
            break;
        readable = (size_t)((const BYTE *)region.BaseAddress + region.RegionSize - at);
    }
    return readable < wanted ? readable : wanted;
}

bool IsReadable(const void *at, size_t bytes) {
    return (ULONG_PTR)at >= LOWEST_POINTER && ReadableBytes((const BYTE *)at, bytes) == bytes;
}

ptrdiff_t BoundedTextLength(const void *text, size_t unitSize, size_t limit) {
    if ((ULONG_PTR)text < LOWEST_POINTER)
        return -1;
    size_t units = ReadableBytes((const BYTE *)text, limit * unitSize) / unitSize;
    for (size_t i = 0; i < units; i++) {
        if (unitSize == 2 ? ((const WCHAR *)text)[i] == 0 : ((const char *)text)[i] == 0)
            return (ptrdiff_t)i;
    }
    return -1;
}

static const void *BoundedHostText(WPARAM wParam, LPARAM command, size_t unitSize, size_t limit, size_t *length) {
    const void *text = (const void *)SendHostCommand(wParam, command);
    ptrdiff_t units = BoundedTextLength(text, unitSize, limit);
    *length = units < 0 ? 0 : (size_t)units;
    return units < 0 ? NULL : text;
}

const char *HostText(WPARAM wParam, LPARAM command, size_t limit, size_t *length) {
    return (const char *)BoundedHostText(wParam, command, 1, limit, length);
}

const WCHAR *HostWideText(WPARAM wParam, LPARAM command, size_t limit, size_t *length) {
    return (const WCHAR *)BoundedHostText(wParam, command, 2, limit, length);
}

int HostPlayState(void) {
    return (int)SendHostCommand(0, HOST_PLAY_STATE);
}
