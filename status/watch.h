// Keeping the status true between the host's notices: once a second, on the
// host's own thread, the plug-in checks what the status is made of and
// looks for messenger windows that appeared since the last broadcast; a
// check may ask for one more look shortly after.
#pragma once

#include <windows.h>

// Starts the once-a-second timer and the watch for new windows (init).
void StartWatching(void);

// Stops both, and a look asked for; after it no tick or look can run (quit,
// and unload without quit).
void StopWatching(void);

// One more check, `ms` from now; a look asked for sooner stays as it is.
void LookAgainIn(DWORD ms);
