// The record of the playing entry: what the last update read of it (its
// index, path and title), kept so that the once-a-second tick can tell when
// the host plays another entry, or the same one under another path or
// title, without a notification. The update writes it, the tick compares.
#pragma once

// Called by an update that asked for the entry at `index` (negative: there
// is none): the entry's index, path and title as the host now gives them
// become what the tick compares with.
void RecordEntry(int index);

// Called by an update that read no entry (publishing off, the host not
// playing): the next tick that finds the host playing with publishing on
// takes the entry as it then stands, without an update.
void ForgetEntry(void);

// Whether the host now plays another entry, or the same one under another
// path or title, than the last update read. After ForgetEntry, the first
// call takes the entry as it stands and answers false.
bool EntryChanged(void);
