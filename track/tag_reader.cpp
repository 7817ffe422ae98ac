#include <windows.h>

#include "status/state.h"
#include "track/readers.h"
#include "track/tag_text.h"

// Reads up to `size` bytes at the current position; returns how many came.
static DWORD ReadBytes(HANDLE file, char *buffer, DWORD size) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, size, &got, NULL))
        return 0;
    return got;
}

bool ReadTrackTag(const char *path) {
    if (path == NULL || path[0] == 0)
        return false;
    // Share read only: other readers may have the file open too, but not a
    // writer, so the tag cannot change while it is read.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;

    char work[TEXT_SIZE];
    bool found = false;
    DWORD position = SetFilePointer(file, -TAG_SIZE, NULL, FILE_END);
    if (position != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR) {
        DWORD got = ReadBytes(file, work, TAG_MARKER_SIZE);
        work[got] = 0;
        found = got == TAG_MARKER_SIZE && IsTagMarker(work);
    }
    if (found) {
        char *fields[3] = {TrackFields.title, TrackFields.artist, TrackFields.album};
        for (int i = 0; i < 3; i++) {
            DWORD got = ReadBytes(file, work, TAG_FIELD_SIZE);
            StoreTagField(work, got, fields[i]);
        }
    }
    CloseHandle(file);
    return found;
}
