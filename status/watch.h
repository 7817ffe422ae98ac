// Keeping the status true between track changes: once a second, on the
// host's own thread, the plug-in asks the host whether it plays and which
// entry it plays, and looks for messenger windows that appeared since the
// last broadcast.
#pragma once

// Starts the once-a-second timer and the watch for new windows (init).
void StartWatching(void);

// Stops both; after it no tick can run (quit, and unload without quit).
void StopWatching(void);
