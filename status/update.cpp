#include "status/update.h"

#include <objbase.h>

#include "host/host_requests.h"
#include "status/broadcast.h"
#include "status/played_entry.h"
#include "status/state.h"
#include "track/readers.h"

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

// Room for the longest format, all four slots, and its terminating zero.
enum { FORMAT_UNITS = 24 };
static_assert(sizeof L"{0} - {1} - {2} - {3}" / sizeof(WCHAR) <= FORMAT_UNITS, "format buffer too small");

// The longest on text: "\0Music\0" "1" "\0" the longest format "\0", four
// slots of FIELD_UNITS - 1 units each (a custom text is no longer than a
// track field) followed by "\0", "WMContentID\0", and the terminating
// zero. wsprintfW writes at most 1024 units, so the text stays below that
// too.
static_assert(9 + 1 + 2 + 21 + 2 + SLOT_COUNT * (FIELD_UNITS - 1 + 2) + 11 + 2 + 1 <= STATUS_TEXT_CAPACITY &&
                  STATUS_TEXT_CAPACITY <= 1024,
              "status text buffer too small");

int CountActiveSlots(void) {
    int n = 0;
    for (int k = 0; k < SLOT_COUNT; k++) {
        if (StatusSettings.slotSource[k] != SOURCE_NONE)
            n++;
    }
    return n;
}

// A fresh copy of a field from the COM task allocator.
static WCHAR *CopyField(const WCHAR *field) {
    size_t length = UnitLength(field, FIELD_UNITS - 1);
    WCHAR *copy = (WCHAR *)CoTaskMemAlloc(2 * (length + 1));
    if (copy == NULL)
        return EmptySlotText;
    CopyMemory(copy, field, 2 * length);
    copy[length] = 0;
    return copy;
}

WCHAR *SlotText(int slot) {
    switch (StatusSettings.slotSource[slot]) {
    case SOURCE_SONG:
        return CopyField(TrackFields.title);
    case SOURCE_ARTIST:
        return CopyField(TrackFields.artist);
    case SOURCE_ALBUM:
        return CopyField(TrackFields.album);
    case SOURCE_CUSTOM:
        return CopyField(StatusSettings.customText[slot]);
    default:
        return CopyField(L" ");
    }
}

void ReleaseSlotText(WCHAR *text) {
    if (text != EmptySlotText)
        CoTaskMemFree(text);
}

// An update that a tick started sends only a status that differs from the
// last one sent (the windows that appeared since still get it once); every
// other update sends its status.
static bool sendOnlyChanged;

static void SendStatus(const WCHAR *text) {
    if (sendOnlyChanged)
        BroadcastChangedStatus(text);
    else
        BroadcastStatus(text);
}

void ClearStatus(void) {
    WCHAR text[STATUS_TEXT_CAPACITY];
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0", 0, CONTENT_ID);
    SendStatus(text);
}

// The format names the slots whose text holds a character other than a
// space, as "{k}" in slot order joined by " - ", so that no separator
// dangles; the values keep every slot in its place. With no such slot, all
// n slots, as "{0} - {1}".
static void ComposeFormat(WCHAR *const slots[], int n, WCHAR *format) {
    WCHAR *at = format;
    for (int k = 0; k < n; k++) {
        if (!HasText(slots[k]))
            continue;
        if (at != format) {
            *at++ = ' ';
            *at++ = '-';
            *at++ = ' ';
        }
        *at++ = '{';
        *at++ = (WCHAR)('0' + k);
        *at++ = '}';
    }
    *at = 0;
    if (at == format)
        lstrcpynW(format, SlotFormats[n - 1], FORMAT_UNITS);
}

static void PublishSlots(int n) {
    WCHAR *slots[SLOT_COUNT];
    for (int k = 0; k < n; k++)
        slots[k] = SlotText(k);
    WCHAR format[FORMAT_UNITS];
    ComposeFormat(slots, n, format);
    // Unused arguments are never read: the format names only n + 1 of them.
    WCHAR values[STATUS_TEXT_CAPACITY];
    wsprintfW(values, ValueFormats[n - 1], n > 0 ? slots[0] : CONTENT_ID, n > 1 ? slots[1] : CONTENT_ID,
              n > 2 ? slots[2] : CONTENT_ID, n > 3 ? slots[3] : CONTENT_ID, CONTENT_ID);
    for (int k = 0; k < n; k++)
        ReleaseSlotText(slots[k]);
    WCHAR text[STATUS_TEXT_CAPACITY];
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0%s\\0", 1, format, values);
    SendStatus(text);
}

// Nothing playing (publishing off, the host stopped or paused, an empty
// playlist, no slot in use) sends the off status.
static void RunUpdate(void) {
    if (StatusSettings.enabled == 0 || !HostIsPlaying()) {
        ForgetEntry();
        ClearStatus();
        return;
    }
    int index = (int)SendHostCommand(0, HOST_CURRENT_INDEX);
    RecordEntry(index);
    int n = CountActiveSlots();
    if (index < 0 || n == 0) {
        ClearStatus();
        return;
    }
    ReadPlayingTrack(index, &TrackFields);
    PublishSlots(n);
}

// While a broadcast waits for a messenger, this thread answers the messages
// sent to it, the track-change notification among them. An update asked for
// then does not run inside the one under way: it runs once more after it,
// reading the track as it then stands. Notifications during that second run
// add nothing more, so a messenger that announces a track change for every
// status it receives cannot keep the player busy.
static bool updating, updateAgain;

static void RunOnce(void (*work)(void), bool onlyChanged) {
    updating = true;
    updateAgain = false;
    sendOnlyChanged = onlyChanged;
    work();
    sendOnlyChanged = false;
    if (updateAgain)
        RunUpdate();
    updating = false;
}

void UpdateStatus(void) {
    if (updating)
        updateAgain = true;
    else
        RunOnce(RunUpdate, false);
}

// Never inside another update: the tick after it compares again.
void UpdateChangedStatus(void) {
    if (!updating)
        RunOnce(RunUpdate, true);
}

// The windows that came since the last broadcast are served like an update:
// never inside one, and a track change announced meanwhile runs after it.
void UpdateNewMessengers(void) {
    if (!updating)
        RunOnce(SendStatusToNewMessengers, false);
}
