#include "status/pacing.h"

#include "status/broadcast.h"
#include "status/update.h"

// When the last status went out, and whether one ever did since load.
static DWORD lastSentAt;
static bool sentOnce;
// The newest status a check composed while the last one is too recent.
static WCHAR waiting[STATUS_TEXT_CAPACITY];
static bool isWaiting;
static UINT_PTR timer;

static void StopTimer(void) {
    if (timer != 0)
        KillTimer(NULL, timer);
    timer = 0;
}

static void CALLBACK PaceTimer(HWND, UINT, UINT_PTR, DWORD) {
    StopTimer();
    UpdateWaitingStatus();
}

static void Send(const WCHAR *text) {
    lastSentAt = GetTickCount();
    sentOnce = true;
    BroadcastStatus(text);
}

void SendPaced(const WCHAR *text, bool off) {
    if (IsLastStatus(text) || (!sentOnce && off)) {
        // Back to what the messengers show: nothing more goes out.
        isWaiting = false;
        StopTimer();
        SendStatusToNewMessengers();
        return;
    }
    DWORD since = GetTickCount() - lastSentAt;
    if (!sentOnce || since >= PACE_MS) {
        isWaiting = false;
        StopTimer();
        Send(text);
        return;
    }
    lstrcpynW(waiting, text, STATUS_TEXT_CAPACITY);
    isWaiting = true;
    if (timer == 0)
        timer = SetTimer(NULL, 0, PACE_MS - since, PaceTimer);
    if (timer == 0)
        SendWaitingStatus();  // no timer to wait with
}

void SendNow(const WCHAR *text) {
    isWaiting = false;
    StopTimer();
    Send(text);
}

void SendWaitingStatus(void) {
    if (!isWaiting)
        return;
    isWaiting = false;
    WCHAR text[STATUS_TEXT_CAPACITY];
    lstrcpynW(text, waiting, STATUS_TEXT_CAPACITY);
    Send(text);
}

void StopPacing(void) {
    isWaiting = false;
    StopTimer();
}
