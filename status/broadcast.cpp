#include "status/broadcast.h"

#include "status/update.h"

// A messenger that stops answering must not freeze the host: each send waits
// this long at most, and a hung messenger is skipped at once.
enum { MESSENGER_TIMEOUT_MS = 2000 };

static const char MESSENGER_CLASS[] = "MsnMsgrUIManager";

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

static void StartList(MessengerList *list) {
    list->windows = list->onStack;
    list->count = 0;
    list->capacity = MESSENGERS_ON_STACK;
}

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

// Walks the windows of the messenger's class under `parent`: the top-level
// windows (NULL), then the message-only ones (HWND_MESSAGE), which a walk of
// the top-level windows does not reach.
static bool AddMessengersUnder(MessengerList *list, HWND parent) {
    HWND window = FindWindowExA(parent, NULL, MESSENGER_CLASS, NULL);
    while (window != NULL) {
        if (!AddMessenger(list, window))
            return false;
        window = FindWindowExA(parent, window, MESSENGER_CLASS, NULL);
    }
    return true;
}

static void FindMessengers(MessengerList *list) {
    StartList(list);
    if (AddMessengersUnder(list, NULL))
        AddMessengersUnder(list, HWND_MESSAGE);
}

static void ReleaseMessengerList(MessengerList *list) {
    if (list->windows != list->onStack)
        HeapFree(GetProcessHeap(), 0, list->windows);
}

// ---- the last broadcast ------------------------------------------------------------

// Its text (empty before the first broadcast: a status text never is), and
// its windows sorted by handle.
static WCHAR lastText[STATUS_TEXT_CAPACITY];
static HWND *lastWindows;
static int lastCount, lastCapacity;

static void RememberWindows(const MessengerList *list) {
    if (list->count > lastCapacity) {
        HWND *larger = (HWND *)HeapAlloc(GetProcessHeap(), 0, list->count * sizeof(HWND));
        if (larger == NULL) {
            lastCount = 0;  // every window will count as new once more
            return;
        }
        if (lastWindows != NULL)
            HeapFree(GetProcessHeap(), 0, lastWindows);
        lastWindows = larger;
        lastCapacity = list->count;
    }
    if (list->count > 0)
        CopyMemory(lastWindows, list->windows, list->count * sizeof(HWND));
    lastCount = list->count;
    // Shell sort: small, and quick enough for the thousands of windows a
    // hostile messenger may open.
    for (int gap = lastCount / 2; gap > 0; gap /= 2) {
        for (int i = gap; i < lastCount; i++) {
            HWND window = lastWindows[i];
            int j = i;
            for (; j >= gap && (ULONG_PTR)lastWindows[j - gap] > (ULONG_PTR)window; j -= gap)
                lastWindows[j] = lastWindows[j - gap];
            lastWindows[j] = window;
        }
    }
}

static bool WasReached(HWND window) {
    int low = 0, high = lastCount;
    while (low < high) {
        int middle = (low + high) / 2;
        if ((ULONG_PTR)lastWindows[middle] < (ULONG_PTR)window)
            low = middle + 1;
        else
            high = middle;
    }
    return low < lastCount && lastWindows[low] == window;
}

void ForgetBroadcast(void) {
    if (lastWindows != NULL)
        HeapFree(GetProcessHeap(), 0, lastWindows);
    lastWindows = NULL;
    lastCount = lastCapacity = 0;
    lastText[0] = 0;
}

// ---- sending -------------------------------------------------------------------------

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

// Sends `text` to every window of the list that is not NULL.
static void SendToList(MessengerList *list, const WCHAR *text) {
    COPYDATASTRUCT record;
    record.dwData = STATUS_COPYDATA_ID;
    record.cbData = (DWORD)(2 * (lstrlenW(text) + 1));
    record.lpData = (void *)text;
    for (int i = 0; i < list->count; i++) {
        HWND messenger = list->windows[i];
        if (messenger == NULL)
            continue;
        // While it waits, this thread still answers the messages sent to
        // it, so a messenger that asks the host something as it handles the
        // text is answered at once.
        DWORD_PTR ignored;
        if (!SendMessageTimeoutA(messenger, WM_COPYDATA, 0, (LPARAM)&record, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                 MESSENGER_TIMEOUT_MS, &ignored))
            SkipWindowsOfThread(list, i + 1, messenger);
    }
}

void BroadcastStatus(const WCHAR *text) {
    lstrcpynW(lastText, text, STATUS_TEXT_CAPACITY);
    MessengerList list;
    FindMessengers(&list);
    RememberWindows(&list);
    SendToList(&list, text);
    ReleaseMessengerList(&list);
}

// Unit for unit: lstrcmpW compares as a language does, and may take two
// different texts as equal.
bool IsLastStatus(const WCHAR *text) {
    for (int i = 0; i < STATUS_TEXT_CAPACITY; i++) {
        if (text[i] != lastText[i])
            return false;
        if (text[i] == 0)
            return true;
    }
    return false;
}

void SendStatusToNewMessengers(void) {
    if (lastText[0] == 0)
        return;
    MessengerList all, fresh;
    FindMessengers(&all);
    StartList(&fresh);
    for (int i = 0; i < all.count; i++) {
        if (!WasReached(all.windows[i]))
            AddMessenger(&fresh, all.windows[i]);
    }
    if (fresh.count > 0) {
        // The text as it stands now, and every window there now counts as
        // reached before the first send: an update that a messenger sets off
        // while this one waits changes neither.
        WCHAR text[STATUS_TEXT_CAPACITY];
        lstrcpynW(text, lastText, STATUS_TEXT_CAPACITY);
        RememberWindows(&all);
        SendToList(&fresh, text);
    }
    ReleaseMessengerList(&fresh);
    ReleaseMessengerList(&all);
}
