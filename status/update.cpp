#include "status/update.h"

#include <objbase.h>

#include "host/host_requests.h"
#include "status/broadcast.h"
#include "status/pacing.h"
#include "status/played_entry.h"
#include "status/state.h"
#include "status/watch.h"
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

// The fullwidth reverse solidus looks like a backslash to a reader.
enum { FULLWIDTH_REVERSE_SOLIDUS = 0xFF3C };

// A fresh copy of a field from the COM task allocator. The fields of a
// status are separated by the two characters backslash and zero: where a
// field holds them, its backslash goes out as the fullwidth reverse solidus,
// so that no text can split its field in two for a receiver.
static WCHAR *CopyField(const WCHAR *field) {
    size_t length = UnitLength(field, FIELD_UNITS - 1);
    WCHAR *copy = (WCHAR *)CoTaskMemAlloc(2 * (length + 1));
    if (copy == NULL)
        return EmptySlotText;
    for (size_t i = 0; i < length; i++) {
        bool separator = field[i] == '\\' && i + 1 < length && field[i + 1] == '0';
        copy[i] = separator ? (WCHAR)FULLWIDTH_REVERSE_SOLIDUS : field[i];
    }
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

static void ComposeOffStatus(WCHAR *text) {
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0", 0, CONTENT_ID);
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

static void ComposeSlots(int n, WCHAR *text) {
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
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0%s\\0", 1, format, values);
}

// The status for what the mark says: the off status when nothing is to be
// published (publishing off, the host stopped or paused, no entry, no slot
// in use); else the track is read. True for the off status.
static bool ComposeStatus(const EntryMark *mark, WCHAR *text) {
    int n = CountActiveSlots();
    bool entry = mark->path.command != 0 || mark->title.command != 0;
    if (!IsPlaying(mark) || !entry || n == 0) {
        ComposeOffStatus(text);
        return true;
    }
    ReadPlayingTrack(&mark->entry, &TrackFields);
    ComposeSlots(n, text);
    return false;
}

// ---- checks ------------------------------------------------------------------------

// A new title on a stream counts once it has stood this long: a station's
// buffering texts come and go within it.
enum { LOOK_AGAIN_MS = 200, SETTLE_MS = 1000, SETTLE_EARLY_MS = 100 };

// What the last status was made of, and a stream's new title that waits to
// stand.
static EntryMark lastMark;
static bool lastMarkKnown;
static EntryMark settling;
static DWORD settlingSince;
static bool isSettling;

void ForgetLastCheck(void) {
    lastMarkKnown = false;
    isSettling = false;
}

static void Remember(const EntryMark *mark) {
    CopyMemory(&lastMark, mark, sizeof lastMark);
    lastMarkKnown = true;
    isSettling = false;
}

// True while the stream's new title in `now` has not stood for SETTLE_MS.
static bool TitleSettling(const EntryMark *now) {
    DWORD at = GetTickCount();
    if (!isSettling || !SameMark(now, &settling)) {
        CopyMemory(&settling, now, sizeof settling);
        settlingSince = at;
        isSettling = true;
        LookAgainIn(SETTLE_MS);
        return true;
    }
    DWORD stood = at - settlingSince;
    if (stood + SETTLE_EARLY_MS >= SETTLE_MS)
        return false;
    LookAgainIn(SETTLE_MS - stood);
    return true;
}

static void RunCheck(CheckCause cause) {
    if (HostLink.session != SESSION_RUNNING)
        return;
    EntryMark now;
    ReadEntryMark(&now, cause == CHECK_TICK && lastMarkKnown ? &lastMark : NULL);
    if (now.enabled && !IsPlaying(&now)) {
        if (cause == CHECK_NOTICE) {
            LookAgainIn(LOOK_AGAIN_MS);
            return;
        }
        // With play tracking off, a tag editor stops the track and starts
        // it again: that is no stop.
        if (HostLink.trackingOff && lastMarkKnown && IsPlaying(&lastMark))
            return;
    }
    if (lastMarkKnown && SameMark(&now, &lastMark)) {
        isSettling = false;
        return;
    }
    if (lastMarkKnown && OnlyStreamTitleDiffers(&now, &lastMark) && TitleSettling(&now))
        return;
    Remember(&now);
    WCHAR text[STATUS_TEXT_CAPACITY];
    bool off = ComposeStatus(&now, text);
    SendPaced(text, off);
}

static void RunUpdate(void) {
    EntryMark now;
    ReadEntryMark(&now);
    Remember(&now);
    WCHAR text[STATUS_TEXT_CAPACITY];
    ComposeStatus(&now, text);
    SendNow(text);
}

static void RunClear(void) {
    WCHAR text[STATUS_TEXT_CAPACITY];
    ComposeOffStatus(text);
    SendNow(text);
}

// While a broadcast waits for a messenger, this thread answers the messages
// sent to it, the host's notices among them. A check or an update asked for
// then does not run inside the one under way: it runs once more after it,
// with things as they then stand. What is asked during that second run adds
// nothing more, so a messenger that announces a track change for every
// status it receives cannot keep the player busy. What runs after the work
// is the most that was asked: the off status of quit, else an update, else
// a check; a status that waited for its pace goes out first.
enum { AGAIN_NOTHING, AGAIN_CHECK, AGAIN_UPDATE, AGAIN_CLEAR };
static bool updating, waitingAgain;
static int again;

static void AskAgain(int what) {
    if (what > again)
        again = what;
}

static void RunOnce(void (*work)(void)) {
    updating = true;
    again = AGAIN_NOTHING;
    waitingAgain = false;
    work();
    if (waitingAgain)
        SendWaitingStatus();
    if (again == AGAIN_CLEAR)
        RunClear();
    else if (again == AGAIN_UPDATE)
        RunUpdate();
    else if (again == AGAIN_CHECK)
        RunCheck(CHECK_LOOK);
    updating = false;
}

// The cause of the check that RunOnce runs.
static CheckCause checkCause;

static void RunCausedCheck(void) {
    RunCheck(checkCause);
}

void CheckStatus(CheckCause cause) {
    if (updating) {
        AskAgain(AGAIN_CHECK);
        return;
    }
    checkCause = cause;
    RunOnce(RunCausedCheck);
}

void UpdateStatus(void) {
    if (updating)
        AskAgain(AGAIN_UPDATE);
    else
        RunOnce(RunUpdate);
}

void ClearStatus(void) {
    StopPacing();
    if (updating)
        AskAgain(AGAIN_CLEAR);
    else
        RunOnce(RunClear);
}

// The windows that came since the last broadcast are served like an update:
// never inside one, and a check asked for meanwhile runs after it.
void UpdateNewMessengers(void) {
    if (!updating)
        RunOnce(SendStatusToNewMessengers);
}

void UpdateWaitingStatus(void) {
    if (updating)
        waitingAgain = true;
    else
        RunOnce(SendWaitingStatus);
}
