// The update cycle: gather the playing track's texts, compose the status
// text from the slots, and broadcast it to every messenger window.
#pragma once

#include <windows.h>

// Large enough for the longest status text, which update.cpp checks.
enum { STATUS_COPYDATA_ID = 0x547, STATUS_TEXT_CAPACITY = 640 };

void UpdateStatus(void);
// The same for a change the tick found: a status equal to the last one sent
// is not sent again, only to windows that appeared since. Does nothing while
// an update is under way.
void UpdateChangedStatus(void);
void ClearStatus(void);
int CountActiveSlots(void);
WCHAR *SlotText(int slot);
void ReleaseSlotText(WCHAR *text);

// Sends the current status to messenger windows that appeared since the
// last broadcast. Does nothing while an update is under way.
void UpdateNewMessengers(void);
