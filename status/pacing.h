// The pace of the statuses: a user who skips through ten tracks in a few
// seconds must not send ten statuses, each of which the messenger sends on
// to every contact. A status goes out at once when none went out in the
// last PACE_MS; otherwise only the newest one goes out, PACE_MS after the
// last, once. A status equal to the last one sent is not sent again (the
// messenger windows that appeared since still get it), and before anything
// was sent the messengers are taken to show that nothing plays.
#pragma once

#include <windows.h>

enum { PACE_MS = 2000 };

// A status a check composed; `off` tells that it is the off status.
void SendPaced(const WCHAR *text, bool off);

// A status the user asked for (the dialog closed, the menu's switch) or the
// off status at quit: it goes out at once, always, and one that waits is
// dropped.
void SendNow(const WCHAR *text);

// Sends the status that waits, if any (the pace's timer).
void SendWaitingStatus(void);

// Drops the status that waits and stops the timer (quit, unload).
void StopPacing(void);
