#include "status/update.h"

#include <objbase.h>

#include "host/host_requests.h"
#include "status/state.h"
#include "track/readers.h"

// A messenger that stops answering must not freeze the host: each send waits
// this long at most, and a hung messenger is skipped at once.
enum { MESSENGER_TIMEOUT_MS = 2000 };

static const char MESSENGER_CLASS[] = "MsnMsgrUIManager";

// What a slot shows when its copy cannot be allocated. Never released.
static WCHAR EmptySlotText[1] = {0};

static const WCHAR *const ValueFormats[SLOT_COUNT] = {
    L"%s\\0%s",
    L"%s\\0%s\\0%s",
    L"%s\\0%s\\0%s\\0%s",
    L"%s\\0%s\\0%s\\0%s\\0%s",
};

static const WCHAR *const SlotFormats[SLOT_COUNT] = {
    L"{0}",
    L"{0} - {1}",
    L"{0} - {1} - {2}",
    L"{0} - {1} - {2} - {3}",
};

static const WCHAR CONTENT_ID[] = L"WMContentID";

// The longest on text: four slots of 31 characters each; it stays far below
// the buffers' capacity, which wsprintfW cannot check by itself.
static_assert(10 + 21 + 2 + SLOT_COUNT * (TEXT_SIZE - 1 + 2) + 13 < STATUS_TEXT_CAPACITY,
              "status text buffer too small");

int CountActiveSlots(void) {
    int n = 0;
    for (int k = 0; k < SLOT_COUNT; k++) {
        if (StatusSettings.slotSource[k] != SOURCE_NONE)
            n++;
    }
    return n;
}

// Widens byte by byte: each byte becomes the code unit of the same value.
// At most 31 bytes are taken, whatever the field holds.
static WCHAR *WidenText(const char *text) {
    size_t length = 0;
    while (length < TEXT_SIZE - 1 && text[length] != 0)
        length++;
    WCHAR *wide = (WCHAR *)CoTaskMemAlloc(2 * (length + 1));
    if (wide == NULL)
        return EmptySlotText;
    for (size_t i = 0; i < length; i++)
        wide[i] = (unsigned char)text[i];
    wide[length] = 0;
    return wide;
}

WCHAR *SlotText(int slot) {
    switch (StatusSettings.slotSource[slot]) {
    case SOURCE_SONG:
        return WidenText(TrackFields.title);
    case SOURCE_ARTIST:
        return WidenText(TrackFields.artist);
    case SOURCE_ALBUM:
        return WidenText(TrackFields.album);
    case SOURCE_CUSTOM:
        return WidenText(StatusSettings.customText[slot]);
    default:
        return WidenText(" ");
    }
}

void ReleaseSlotText(WCHAR *text) {
    if (text != EmptySlotText)
        CoTaskMemFree(text);
}

// The messenger windows as they stand when a broadcast begins, in lookup
// order, each once. Messengers may raise, lower, close or open windows while
// they handle the text; the broadcast follows this list, not the window
// list, so it always ends. Up to MESSENGERS_ON_STACK windows fit in the
// caller's array; more go to a heap block that ReleaseMessengerList frees.
enum { MESSENGERS_ON_STACK = 64, MESSENGERS_AT_MOST = 1 << 14 };

struct MessengerList {
    HWND *windows;
    int count;
    int capacity;
    HWND onStack[MESSENGERS_ON_STACK];
};

static bool AddMessenger(MessengerList *list, HWND window) {
    for (int i = 0; i < list->count; i++) {
        if (list->windows[i] == window)
            return true;
    }
    if (list->count == list->capacity) {
        if (list->capacity >= MESSENGERS_AT_MOST)
            return false;
        HWND *larger = (HWND *)HeapAlloc(GetProcessHeap(), 0, 2 * list->capacity * sizeof(HWND));
        if (larger == NULL)
            return false;  // the messengers found so far are still served
        CopyMemory(larger, list->windows, list->count * sizeof(HWND));
        if (list->windows != list->onStack)
            HeapFree(GetProcessHeap(), 0, list->windows);
        list->windows = larger;
        list->capacity *= 2;
    }
    list->windows[list->count++] = window;
    return true;
}

static void FindMessengers(MessengerList *list) {
    list->windows = list->onStack;
    list->count = 0;
    list->capacity = MESSENGERS_ON_STACK;
    HWND window = FindWindowExA(NULL, NULL, MESSENGER_CLASS, NULL);
    while (window != NULL && AddMessenger(list, window))
        window = FindWindowExA(NULL, window, MESSENGER_CLASS, NULL);
}

static void ReleaseMessengerList(MessengerList *list) {
    if (list->windows != list->onStack)
        HeapFree(GetProcessHeap(), 0, list->windows);
}

// A thread that let one send time out would let every other window of its
// own time out too: they are skipped for the rest of this broadcast.
static void SkipWindowsOfThread(MessengerList *list, int from, HWND unanswered) {
    DWORD thread = GetWindowThreadProcessId(unanswered, NULL);
    if (thread == 0)
        return;  // the window is gone, not slow
    for (int i = from; i < list->count; i++) {
        if (list->windows[i] != NULL && GetWindowThreadProcessId(list->windows[i], NULL) == thread)
            list->windows[i] = NULL;
    }
}

void BroadcastStatus(const WCHAR *text) {
    COPYDATASTRUCT record;
    record.dwData = STATUS_COPYDATA_ID;
    record.cbData = (DWORD)(2 * (lstrlenW(text) + 1));
    record.lpData = (void *)text;
    MessengerList list;
    FindMessengers(&list);
    for (int i = 0; i < list.count; i++) {
        HWND messenger = list.windows[i];
        if (messenger == NULL)
            continue;
        // While it waits, this thread still answers the messages sent to
        // it, so a messenger that asks the host something as it handles the
        // text is answered at once.
        DWORD_PTR ignored;
        if (!SendMessageTimeoutA(messenger, WM_COPYDATA, 0, (LPARAM)&record, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                 MESSENGER_TIMEOUT_MS, &ignored))
            SkipWindowsOfThread(&list, i + 1, messenger);
    }
    ReleaseMessengerList(&list);
}

void ClearStatus(void) {
    WCHAR text[STATUS_TEXT_CAPACITY];
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0", 0, CONTENT_ID);
    BroadcastStatus(text);
}

static void PublishSlots(int n) {
    WCHAR *slots[SLOT_COUNT];
    for (int k = 0; k < n; k++)
        slots[k] = SlotText(k);
    // Unused arguments are never read: the format names only n + 1 of them.
    WCHAR values[STATUS_TEXT_CAPACITY];
    wsprintfW(values, ValueFormats[n - 1], n > 0 ? slots[0] : CONTENT_ID, n > 1 ? slots[1] : CONTENT_ID,
              n > 2 ? slots[2] : CONTENT_ID, n > 3 ? slots[3] : CONTENT_ID, CONTENT_ID);
    for (int k = 0; k < n; k++)
        ReleaseSlotText(slots[k]);
    WCHAR text[STATUS_TEXT_CAPACITY];
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0%s\\0", 1, SlotFormats[n - 1], values);
    BroadcastStatus(text);
}

static void RunUpdate(void) {
    if (StatusSettings.enabled == 0) {
        ClearStatus();
        return;
    }
    int index = (int)SendHostCommand(0, HOST_CURRENT_INDEX);
    const char *path = (const char *)SendHostCommand((WPARAM)index, HOST_ENTRY_FILE);
    TrackFields.title[0] = 0;
    TrackFields.artist[0] = 0;
    TrackFields.album[0] = 0;
    if (!ReadTrackTag(path) && index >= 0)
        SplitPlaylistTitle(index);
    int n = CountActiveSlots();
    if (n == 0) {
        ClearStatus();
        return;
    }
    PublishSlots(n);
}

// While a broadcast waits for a messenger, this thread answers the messages
// sent to it, the track-change notification among them. An update asked for
// then does not run inside the one under way: it runs once more after it,
// reading the track as it then stands. Notifications during that second run
// add nothing more, so a messenger that announces a track change for every
// status it receives cannot keep the player busy.
static bool updating, updateAgain;

void UpdateStatus(void) {
    if (updating) {
        updateAgain = true;
        return;
    }
    updating = true;
    updateAgain = false;
    RunUpdate();
    if (updateAgain)
        RunUpdate();
    updating = false;
}
