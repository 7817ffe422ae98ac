#include "host/host_requests.h"
#include "status/state.h"
#include "track/readers.h"

void PlayingFileEntry(PlayingEntry *entry) {
    PlayingEntry playing = {0, HOST_PLAYING_FILE_W, 0, HOST_PLAYING_TITLE_W, 0};
    *entry = playing;
}

void CursorEntry(PlayingEntry *entry, int index) {
    PlayingEntry cursor = {(WPARAM)index, HOST_ENTRY_FILE_W, HOST_ENTRY_FILE, HOST_ENTRY_TITLE_W, HOST_ENTRY_TITLE};
    *entry = cursor;
}

static void AskEntryText(WPARAM index, LPARAM wide, LPARAM narrow, size_t limit, EntryText *text) {
    text->wide = NULL;
    text->narrow = NULL;
    text->length = 0;
    if (wide != 0)
        text->wide = HostWideText(index, wide, limit, &text->length);
    if (text->wide == NULL && narrow != 0)
        text->narrow = HostText(index, narrow, limit, &text->length);
}

void AskEntryPath(const PlayingEntry *entry, EntryText *text) {
    AskEntryText(entry->index, entry->pathW, entry->pathA, HOST_PATH_UNITS, text);
}

void AskEntryTitle(const PlayingEntry *entry, EntryText *text) {
    AskEntryText(entry->index, entry->titleW, entry->titleA, HOST_TITLE_UNITS, text);
}

// Paths up to this many units are copied on the stack.
enum { PATH_ON_STACK = 512 };

// The host's text (`length` units, terminated) as a copy of our own, which
// outlives the host's next request: in `onStack` when it fits, else on the
// heap (ReleasePath). NULL for no text, and when the copy cannot be had.
template <typename Unit>
static Unit *KeepPath(const Unit *host, size_t length, Unit *onStack) {
    if (host == NULL)
        return NULL;
    Unit *copy = onStack;
    if (length >= PATH_ON_STACK) {
        copy = (Unit *)HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(Unit));
        if (copy == NULL)
            return NULL;
    }
    CopyMemory(copy, host, length * sizeof(Unit));
    copy[length] = 0;
    return copy;
}

// The narrow form of a Unicode path, for a host that reads files only by
// narrow paths: NULL when the ANSI code page cannot name the file.
static char *NarrowPath(const WCHAR *wide, char *onStack) {
    if (wide == NULL)
        return NULL;
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, NULL, 0, NULL, &lossy);
    if (bytes <= 0 || lossy)
        return NULL;
    char *narrow = bytes <= PATH_ON_STACK ? onStack : (char *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)bytes);
    if (narrow == NULL)
        return NULL;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, narrow, bytes, NULL, NULL);
    return narrow;
}

template <typename Unit>
static void ReleasePath(Unit *path, Unit *onStack) {
    if (path != NULL && path != onStack)
        HeapFree(GetProcessHeap(), 0, path);
}

static bool IsLetter(unsigned unit) {
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z');
}

// A character a URL's scheme may hold after its first letter.
static bool IsSchemeUnit(unsigned unit) {
    return IsLetter(unit) || (unit >= '0' && unit <= '9') || unit == '+' || unit == '-' || unit == '.';
}

template <typename Unit>
static bool IsFilePathText(const Unit *path, size_t length) {
    if (path == NULL || length == 0)
        return false;
    size_t i = 0;
    while (i < length && (i == 0 ? IsLetter((unsigned)path[i]) : IsSchemeUnit((unsigned)path[i])))
        i++;
    return !(i >= 2 && i + 2 < length && path[i] == ':' && path[i + 1] == '/' && path[i + 2] == '/');
}

bool IsFilePath(const EntryText *path) {
    return path->wide != NULL ? IsFilePathText(path->wide, path->length) : IsFilePathText(path->narrow, path->length);
}

// The host's own reading of the file comes first: its input plug-ins read
// every format it plays. Then the file's tags, then the playlist title; the
// first that gives a title, artist or album wins. The host's Unicode path
// names every file, the narrow one only what the ANSI code page can: the
// narrow metadata request is made only of a host that has never answered
// the Unicode one, with the entry's narrow path, or the playing file's path
// in the ANSI code page where that names it.
void ReadPlayingTrack(const PlayingEntry *entry, TrackText *text) {
    ClearTrackText(text);
    WCHAR wideOnStack[PATH_ON_STACK];
    char narrowOnStack[PATH_ON_STACK];
    EntryText path;
    AskEntryPath(entry, &path);
    bool file = IsFilePath(&path);
    WCHAR *widePath = KeepPath(path.wide, path.length, wideOnStack);
    char *narrowPath = KeepPath(path.narrow, path.length, narrowOnStack);
    bool found = false;
    if (file) {
        bool answered = widePath != NULL && AskHostMetadataW(widePath, text);
        if (!answered && !HostLink.metadataKnown) {
            if (narrowPath == NULL && entry->pathA != 0) {
                size_t length = 0;
                narrowPath = KeepPath(HostText(entry->index, entry->pathA, HOST_PATH_UNITS, &length), length,
                                      narrowOnStack);
            } else if (narrowPath == NULL) {
                narrowPath = NarrowPath(widePath, narrowOnStack);
            }
            answered = narrowPath != NULL && AskHostMetadataA(narrowPath, text);
        }
        found = answered || ReadTrackFile(widePath, narrowPath, text);
    }
    if (!found) {
        ClearTrackText(text);
        SplitPlaylistTitle(entry, text);
    }
    ReleasePath(widePath, wideOnStack);
    ReleasePath(narrowPath, narrowOnStack);
}
