// Requests the plug-in makes of the host: WM_USER messages to its main
// window, with the command number as lParam.
#pragma once

#include <windows.h>

enum {
    HOST_PLAY_STATE = 104,      // wParam 0: 1 playing, 3 paused, 0 stopped (0 too from a host without it)
    HOST_CURRENT_INDEX = 125,   // wParam 0: index of the current entry, negative for none
    HOST_ENTRY_FILE = 211,      // wParam index: the entry's file path (host's narrow text)
    HOST_ENTRY_TITLE = 212,     // wParam index: the entry's display title (host's narrow text)
    HOST_ENTRY_TITLE_W = 213,   // wParam index: the display title as UTF-16 (host's text)
    HOST_ENTRY_FILE_W = 214,    // wParam index: the file path as UTF-16 (host's text)
    HOST_PLAYLIST_WINDOW = 260, // wParam 1: the playlist editor window
    HOST_FILE_METADATA = 290,   // wParam a request record (narrow): 1 when the host read the file
    HOST_SETTINGS_FILE = 334,   // wParam 0: the host's settings file; below 0x10000 if unknown
    HOST_SETTINGS_FILE_W = 1334,  // wParam 0: the same as UTF-16 (host's text)
    HOST_FILE_METADATA_W = 3026,  // the same in UTF-16
};

LRESULT SendHostCommand(WPARAM wParam, LPARAM command);

// A text the host keeps, or NULL: no pointer lies below 0x10000, so a
// smaller answer (0 for an error or from a host that does not know the
// command) is no text. Read it before the next request: the host may reuse
// its buffer.
const char *HostText(WPARAM wParam, LPARAM command);
const WCHAR *HostWideText(WPARAM wParam, LPARAM command);

// Asks the host whether it plays. A host that has never answered "playing"
// is taken as one that does not know the question, and so as playing.
bool HostIsPlaying(void);
