// The plug-in's module-wide records: what the user chose, the playing
// track's texts, and the handles and paths obtained from the host.
#pragma once

#include <windows.h>

#include "track/track_text.h"

enum {
    SOURCE_NONE = 0,
    SOURCE_SONG = 102,
    SOURCE_ARTIST = 104,
    SOURCE_ALBUM = 106,
    SOURCE_CUSTOM = 108,
};

enum { SLOT_COUNT = 4 };

// A custom text is UTF-16 of up to FIELD_UNITS - 1 units, like a track
// field, zero-terminated, without control characters (StoreCustomText).
struct StatusSettingsRecord {
    int enabled;
    int slotSource[SLOT_COUNT];
    WCHAR customText[SLOT_COUNT][FIELD_UNITS];
};

// The playing track's title, artist and album, UTF-16.
typedef TrackText TrackFieldsRecord;

// How far the host has taken the plug-in: loaded, running from init on,
// ended by quit. A module kept loaded after quit may be initialised again.
enum { SESSION_LOADED = 0, SESSION_RUNNING, SESSION_ENDED };

// A procedure the plug-in put in front of a host window's own: the window,
// the procedure it replaced (every message is passed on to it), and whether
// it went on, and passes on, with the W functions.
struct WindowHook {
    HWND window;
    WNDPROC previous;
    bool unicode;
    bool hooked;  // the procedure is in the window's chain
};

// parentWindow and moduleInstance live in the plug-in record itself, which
// the host fills; the rest is set by the plug-in.
struct HostLinkRecord {
    WindowHook playlist;  // the playlist editor: the host's notices
    WindowHook main;      // the main window: play events, the menu's commands
    // The settings file, named by the host: its Unicode path, else its
    // narrow one (or "winamp.ini"), as the plug-in's own copy. Both null
    // until the settings are read.
    const WCHAR *iniPathW;
    const char *iniPath;
    int session;
    // The host has answered the Unicode metadata request once: a later "no"
    // means it cannot read that file, and the narrow request is not made.
    bool metadataKnown;
    // A tag editor has switched the host's play tracking off (3007): the
    // host stops and starts the track without telling, and a stop then is
    // no stop.
    bool trackingOff;
    // The item in the host's main menu that switches publishing, and its
    // command; none when the host has no such menu.
    HMENU menu;
    UINT menuCommand;
};

extern StatusSettingsRecord StatusSettings;
extern TrackFieldsRecord TrackFields;
extern HostLinkRecord HostLink;

// Puts the settings back to the values they have when the module is loaded.
void RestoreInitialSettings(void);
