// The procedures the plug-in puts in front of two host windows: the playlist
// editor, which the host tells of title refreshes and track starts (666),
// and the main window, which it tells of every track start, stop, pause and
// unpause, and which receives the commands of the host's menu. Each passes
// every message on, unchanged.
#pragma once

#include <windows.h>

enum { PLAYLIST_NOTIFY_CODE = 666 };

// What the host sends its main window (WM_USER, the number in lParam).
enum {
    HOST_EVENT_TRACK_STARTED = 3003,     // wParam: the narrow path; play tracking on only
    HOST_EVENT_TRACK_STARTED_W = 13003,  // wParam: the UTF-16 path; play tracking on only
    HOST_EVENT_STOPPED = 3043,           // wParam: {int last_time; int fullstop;}
    HOST_EVENT_PLAY_STATE = 603,         // posted; wParam 2 a change of play state, 7 pause, 8 unpause
    HOST_PLAY_TRACKING = 3007,           // wParam 0: a tag editor stops play tracking; 1 starts it
};
enum { STOPPED_AT_LIST_END = 2, PLAY_STATE_CHANGED = 2, PAUSED = 7, UNPAUSED = 8 };

// Puts the hooks on the playlist editor (the host's answer to 260) and the
// main window. A window already hooked keeps its one hook.
void HookHostWindows(void);

// At quit: the playlist editor's hook comes off while it is the window's
// own procedure. Where another procedure sits on top of either hook, it will
// go on calling it, so the module stays loaded for the life of the process.
// The main window is not touched: at quit it is gone or about to go.
void ReleaseHostWindows(void);

// At unload: every hook that is still the window's own procedure comes off.
void UnhookHostWindows(void);

LRESULT CALLBACK PlaylistHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MainWindowHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
