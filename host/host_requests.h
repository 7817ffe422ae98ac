// Requests the plug-in makes of the host: WM_USER messages to its main
// window, with the command number as lParam. A request the host does not
// know is answered with 1.
#pragma once

#include <windows.h>

enum {
    HOST_PLAY_STATE = 104,      // wParam 0: 1 playing, 3 paused, 0 stopped
    HOST_CURRENT_INDEX = 125,   // wParam 0: the playlist cursor, 0 or more (0 for an empty list)
    HOST_ENTRY_FILE = 211,      // wParam index: the entry's file path (narrow; one buffer with 212)
    HOST_ENTRY_TITLE = 212,     // wParam index: the entry's display title (narrow)
    HOST_ENTRY_TITLE_W = 213,   // wParam index: the display title as UTF-16 (one buffer with 214)
    HOST_ENTRY_FILE_W = 214,    // wParam index: the file path as UTF-16
    HOST_PLAYLIST_WINDOW = 260, // wParam 1: the playlist editor window
    HOST_MENU_OFFSET = 280,     // wParam 0: the offset of the main menu's later items; 1 adds one
    HOST_MAIN_MENU = 281,       // wParam 0: the host's main popup menu
    HOST_FILE_METADATA = 290,   // wParam a request record (narrow): 1 when the host wrote the field
    HOST_SETTINGS_FILE = 334,   // wParam 0: the host's settings file (narrow)
    HOST_SETTINGS_FILE_W = 1334,  // wParam 0: the same as UTF-16
    HOST_NEW_COMMAND_ID = 3019,   // wParam 0: a menu command id that no one else uses
    HOST_FILE_METADATA_W = 3026,  // the metadata request in UTF-16
    HOST_PLAYING_FILE_W = 3031,   // wParam 0: the playing file's path, UTF-16
    HOST_PLAYING_TITLE_W = 3034,  // wParam 0: the playing file's title, UTF-16
};

// The play states of request 104.
enum { PLAY_STATE_STOPPED = 0, PLAY_STATE_PLAYING = 1, PLAY_STATE_PAUSED = 3 };

// The longest texts read from the host, in units: a path (the longest a
// Windows path can be), and a display title.
enum { HOST_PATH_UNITS = 32767, HOST_TITLE_UNITS = 1 << 20 };

LRESULT SendHostCommand(WPARAM wParam, LPARAM command);

// The host's answer as a text it keeps, read with a bound: NULL when the
// answer is no pointer (below 0x10000: 0, or 1 from a host that does not
// know the request), or when no terminator lies within `limit` units of
// readable memory. `length` gets its units before the terminator. Read it
// before the next request: the host may reuse its buffer.
const char *HostText(WPARAM wParam, LPARAM command, size_t limit, size_t *length);
const WCHAR *HostWideText(WPARAM wParam, LPARAM command, size_t limit, size_t *length);

// The same for any address: the units of a zero-terminated text of
// `unitSize`-byte units before its terminator, or -1 when none lies within
// `limit` units of readable memory (or `text` is below 0x10000).
ptrdiff_t BoundedTextLength(const void *text, size_t unitSize, size_t limit);

// Whether `bytes` bytes at `at` can be read.
bool IsReadable(const void *at, size_t bytes);

// The host's play state: its answer to 104. A host that does not know the
// request answers 1, and is taken as playing.
int HostPlayState(void);
