// The update cycle: gather the playing track's texts, compose the status
// text from the slots, and send it to every messenger window.
#pragma once

#include <windows.h>

// Large enough for the longest status text, which update.cpp checks.
enum { STATUS_COPYDATA_ID = 0x547, STATUS_TEXT_CAPACITY = 640 };

// Why a check runs. A notice reaches the plug-in in the middle of the host's
// own work: at a track start the host announces the title before it counts
// itself as playing, so a notice that finds it stopped or paused only asks
// for another look once the work is done. An event (a track start, pause,
// unpause, a stop confirmed) and a look of the plug-in's own come when the
// host's state is whole. The once-a-second tick does not look at the file's
// time stamp: a file rewritten in place comes with a notice or an event.
enum CheckCause { CHECK_NOTICE, CHECK_EVENT, CHECK_LOOK, CHECK_TICK };

// Compares what the status is made of with what the last one was made of
// (cheaply: no file is read) and, when it differs, reads the track and sends
// its status at the pace of pacing.h. Does nothing before init and after
// quit. Inside another update it runs once after it.
void CheckStatus(CheckCause cause);

// Reads the track and sends its status at once, whatever the pace: the user
// changed the settings.
void UpdateStatus(void);
// Sends the off status at once (quit).
void ClearStatus(void);
// Forgets what the last status was made of: the next check reads the track.
void ForgetLastCheck(void);

int CountActiveSlots(void);
WCHAR *SlotText(int slot);
void ReleaseSlotText(WCHAR *text);

// Sends the current status to messenger windows that appeared since the
// last broadcast. Does nothing while an update is under way.
void UpdateNewMessengers(void);

// Sends the status that waits for its pace (pacing.h), never inside another
// update.
void UpdateWaitingStatus(void);
