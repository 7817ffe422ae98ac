#include <windows.h>

#include "track/ansi_text.h"
#include "track/byte_reader.h"
#include "track/readers.h"
#include "track/tag_sources.h"

// Reads at an offset without moving through what lies before it.
static size_t ReadFromFile(void *context, uint64_t offset, uint8_t *buffer, size_t count) {
    OVERLAPPED at = {};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD got = 0;
    if (!ReadFile((HANDLE)context, buffer, (DWORD)count, &got, &at))
        return 0;
    return got;
}

bool ReadTrackFile(const WCHAR *widePath, const char *narrowPath, TrackText *text) {
    ClearTrackText(text);
    // Share read only: other readers may have the file open too, but not a
    // writer, so the tags cannot change while they are read.
    HANDLE file = INVALID_HANDLE_VALUE;
    if (widePath != NULL && widePath[0] != 0)
        file = CreateFileW(widePath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    else if (widePath == NULL && narrowPath != NULL && narrowPath[0] != 0)
        file = CreateFileA(narrowPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    // Only a file on a disk: a pipe or a device could keep a read waiting.
    DWORD high = 0;
    DWORD low = INVALID_FILE_SIZE;
    bool sized = false;
    if (GetFileType(file) == FILE_TYPE_DISK) {
        low = GetFileSize(file, &high);
        sized = low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
    }
    if (sized) {
        ByteSource source = {file, (uint64_t)high << 32 | low, ReadFromFile};
        ByteReader reader;
        StartReader(&reader, &source);
        found = ReadFileTags(&reader, AppendAnsi, text);
    }
    CloseHandle(file);
    return found;
}
