// Keeping the status true between track changes: once a second, on the
// host's own thread, the plug-in asks the host whether it plays and which
// entry it plays, and looks for messenger windows that appeared since the
// last broadcast.
#pragma once

// Starts the once-a-second timer and the watch for new windows (init).
void StartWatching(void);

// Stops both; after it no tick can run (quit, and unload without quit).
void StopWatching(void);

// Called by an update that asked for the entry at `index` (negative: there
// is none): the entry's index, path and title as the host now gives them
// become what the tick compares with.
void RecordEntry(int index);

// Called by an update that read no entry (publishing off, the host not
// playing): the next tick that finds the host playing with publishing on
// takes the entry as it then stands, without an update.
void ForgetEntry(void);
