#include "status/played_entry.h"

#include "host/host_requests.h"

enum { FNV_START = 2166136261u, FNV_PRIME = 16777619u };

static bool SameBytes(const void *a, const void *b, size_t size) {
    const BYTE *x = (const BYTE *)a, *y = (const BYTE *)b;
    for (size_t i = 0; i < size; i++) {
        if (x[i] != y[i])
            return false;
    }
    return true;
}

// Marks the host's text, read with a bound; its buffer is valid until the
// host's next request, so it is marked at once.
static void MarkText(const EntryText *text, LPARAM command, TextMark *mark) {
    if (text->wide == NULL && text->narrow == NULL)
        return;
    mark->command = command;
    DWORD hash = FNV_START;
    for (size_t n = 0; n < text->length; n++) {
        unsigned unit = text->wide != NULL ? text->wide[n] : (unsigned char)text->narrow[n];
        if (n < MARK_UNITS)
            mark->head[n] = (WCHAR)unit;
        hash = (hash ^ unit) * FNV_PRIME;
    }
    mark->length = (DWORD)text->length;
    mark->hash = hash;
}

// The file's size and last write time; nothing for a path that names no
// file (a URL), or a file that cannot be found.
static void StampFile(const EntryText *path, EntryMark *mark) {
    if (!IsFilePath(path))
        return;
    WIN32_FILE_ATTRIBUTE_DATA data;
    BOOL found = path->wide != NULL ? GetFileAttributesExW(path->wide, GetFileExInfoStandard, &data)
                                    : GetFileAttributesExA(path->narrow, GetFileExInfoStandard, &data);
    if (!found)
        return;
    mark->sizeHigh = data.nFileSizeHigh;
    mark->sizeLow = data.nFileSizeLow;
    mark->written = data.ftLastWriteTime;
}

static DWORD HashCustomTexts(void) {
    DWORD hash = FNV_START;
    for (int k = 0; k < SLOT_COUNT; k++) {
        for (int i = 0; i < FIELD_UNITS && StatusSettings.customText[k][i] != 0; i++)
            hash = (hash ^ StatusSettings.customText[k][i]) * FNV_PRIME;
        hash = (hash ^ 0x10000) * FNV_PRIME;
    }
    return hash;
}

// The playing file when the host names it (a host that does not know 3031
// answers 1, no text), else the entry at the cursor. Each text is marked
// before the next request: the path and the title of an entry share one
// buffer in the host.
static void MarkPlayingEntry(EntryMark *mark, const EntryMark *stamped) {
    EntryText path;
    PlayingFileEntry(&mark->entry);
    AskEntryPath(&mark->entry, &path);
    if (path.wide == NULL) {
        int index = (int)SendHostCommand(0, HOST_CURRENT_INDEX);
        CursorEntry(&mark->entry, index);
        if (index < 0)
            return;
        AskEntryPath(&mark->entry, &path);
    }
    MarkText(&path, path.wide != NULL ? mark->entry.pathW : mark->entry.pathA, &mark->path);
    mark->stream = path.length > 0 && !IsFilePath(&path);
    if (stamped != NULL && SameBytes(&mark->path, &stamped->path, sizeof mark->path)) {
        mark->sizeHigh = stamped->sizeHigh;
        mark->sizeLow = stamped->sizeLow;
        mark->written = stamped->written;
    } else {
        StampFile(&path, mark);
    }
    EntryText title;
    AskEntryTitle(&mark->entry, &title);
    MarkText(&title, title.wide != NULL ? mark->entry.titleW : mark->entry.titleA, &mark->title);
}

void ReadEntryMark(EntryMark *mark, const EntryMark *stamped) {
    ZeroMemory(mark, sizeof *mark);
    mark->enabled = StatusSettings.enabled != 0;
    for (int k = 0; k < SLOT_COUNT; k++)
        mark->sources[k] = StatusSettings.slotSource[k];
    mark->customTexts = HashCustomTexts();
    if (!mark->enabled)
        return;
    mark->playState = HostPlayState();
    if (IsPlaying(mark))
        MarkPlayingEntry(mark, stamped);
}

bool SameMark(const EntryMark *a, const EntryMark *b) {
    return SameBytes(a, b, sizeof *a);
}

bool OnlyStreamTitleDiffers(const EntryMark *now, const EntryMark *before) {
    if (!now->stream || !before->stream || !IsPlaying(now) || !IsPlaying(before) ||
        SameBytes(&now->title, &before->title, sizeof now->title))
        return false;
    EntryMark a, b;
    CopyMemory(&a, now, sizeof a);
    CopyMemory(&b, before, sizeof b);
    ZeroMemory(&a.title, sizeof a.title);
    ZeroMemory(&b.title, sizeof b.title);
    return SameMark(&a, &b);
}

bool IsPlaying(const EntryMark *mark) {
    return mark->enabled && mark->playState == PLAY_STATE_PLAYING;
}
