// Requests the plug-in makes of the host: WM_USER messages to its main
// window, with the command number as lParam.
#pragma once

#include <windows.h>

enum {
    HOST_CURRENT_INDEX = 125,   // wParam 0: index of the current entry, negative for none
    HOST_ENTRY_FILE = 211,      // wParam index: the entry's file path (host's text)
    HOST_ENTRY_TITLE = 212,     // wParam index: the entry's display title (host's text)
    HOST_PLAYLIST_WINDOW = 260, // wParam 1: the playlist editor window
    HOST_SETTINGS_FILE = 334,   // wParam 0: the host's settings file; below 0x10000 if unknown
};

LRESULT SendHostCommand(WPARAM wParam, LPARAM command);
