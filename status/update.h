// The update cycle: gather the playing track's texts, compose the status
// text from the slots, and broadcast it to every messenger window.
#pragma once

#include <windows.h>

enum { STATUS_COPYDATA_ID = 0x547, STATUS_TEXT_CAPACITY = 500 };

void UpdateStatus(void);
void ClearStatus(void);
int CountActiveSlots(void);
WCHAR *SlotText(int slot);
void ReleaseSlotText(WCHAR *text);
void BroadcastStatus(const WCHAR *text);
