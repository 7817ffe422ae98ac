// Sending a status text to every messenger window: the top-level windows of
// the messenger's class and its message-only windows, each once.
#pragma once

#include <windows.h>

// Sends one copy-data record carrying `text` to every messenger window, and
// remembers the text and the windows it went to.
void BroadcastStatus(const WCHAR *text);

// Whether `text` is, unit for unit, the last text broadcast.
bool IsLastStatus(const WCHAR *text);

// Sends the last text broadcast to every messenger window that was not
// there at that broadcast, once; the windows are remembered from then on.
// Nothing is sent before the first broadcast.
void SendStatusToNewMessengers(void);

// Forgets the last broadcast and frees what remembering it took.
void ForgetBroadcast(void);
