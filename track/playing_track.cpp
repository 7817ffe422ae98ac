#include "host/host_requests.h"
#include "status/state.h"
#include "track/readers.h"

// Paths up to this many units are copied on the stack.
enum { PATH_ON_STACK = 512 };

// The host's text as a copy of our own, which outlives the host's next
// request: in `onStack` when it fits, else on the heap (ReleasePath). NULL
// for no text, and when the copy cannot be had.
template <typename Unit>
static Unit *KeepPath(const Unit *host, Unit *onStack) {
    if (host == NULL)
        return NULL;
    size_t length = 0;
    while (host[length] != 0)
        length++;
    Unit *copy = onStack;
    if (length >= PATH_ON_STACK) {
        copy = (Unit *)HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(Unit));
        if (copy == NULL)
            return NULL;
    }
    CopyMemory(copy, host, (length + 1) * sizeof(Unit));
    return copy;
}

template <typename Unit>
static void ReleasePath(Unit *path, Unit *onStack) {
    if (path != NULL && path != onStack)
        HeapFree(GetProcessHeap(), 0, path);
}

static bool IsLetter(unsigned unit) {
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z');
}

// A path that names a file: not empty, and no URL ("http://", "mms://", any
// scheme of two letters or more, then the characters a scheme may hold). A
// single letter before ":" is a drive.
template <typename Unit>
static bool IsFilePath(const Unit *path) {
    if (path == NULL || path[0] == 0)
        return false;
    size_t i = 0;
    while (IsLetter((unsigned)path[i]) || (i > 0 && ((path[i] >= '0' && path[i] <= '9') || path[i] == '+' ||
                                                     path[i] == '-' || path[i] == '.')))
        i++;
    return !(i >= 2 && path[i] == ':' && path[i + 1] == '/' && path[i + 2] == '/');
}

// The host's own reading of the file comes first: its input plug-ins read
// every format it plays. Then the file's tags, then the playlist title; the
// first that gives a title, artist or album wins. The host's Unicode path
// names every file, the narrow one only what the ANSI code page can: the
// narrow path is asked for only without a Unicode one, or for the narrow
// metadata request of a host that has never answered the Unicode one.
void ReadPlayingTrack(int index, TrackText *text) {
    ClearTrackText(text);
    WCHAR wideOnStack[PATH_ON_STACK];
    char narrowOnStack[PATH_ON_STACK];
    WCHAR *widePath = KeepPath(HostWideText((WPARAM)index, HOST_ENTRY_FILE_W), wideOnStack);
    char *narrowPath = widePath != NULL ? NULL : KeepPath(HostText((WPARAM)index, HOST_ENTRY_FILE), narrowOnStack);
    bool found = false;
    if (widePath != NULL ? IsFilePath(widePath) : IsFilePath(narrowPath)) {
        bool answered = widePath != NULL && AskHostMetadataW(widePath, text);
        if (!answered && !HostLink.metadataKnown) {
            if (narrowPath == NULL)
                narrowPath = KeepPath(HostText((WPARAM)index, HOST_ENTRY_FILE), narrowOnStack);
            answered = IsFilePath(narrowPath) && AskHostMetadataA(narrowPath, text);
        }
        found = (answered && IsUsableTrackText(text)) || ReadTrackFile(widePath, narrowPath, text);
    }
    if (!found) {
        ClearTrackText(text);
        SplitPlaylistTitle(index, text);
    }
    ReleasePath(widePath, wideOnStack);
    ReleasePath(narrowPath, narrowOnStack);
}
