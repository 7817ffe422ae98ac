// The stand-in host and messengers: our own small program in place of the
// media player and the instant messenger, which do not exist here. It plays
// the host as the host behaves:
// - a main window answering the host requests (WM_USER with the command as
//   lParam) from a scripted playlist, 1 to a request it does not know, with
//   the host's main popup menu;
// - a Unicode playlist editor window whose own procedure records every
//   message it receives and answers with a value of its own;
// - the host's order of notices and events at a track start, a stop, a
//   pause, an unpause, Next while stopped, an exit and the end of a Windows
//   session (StandinPlay and the helpers after it);
// - messenger windows of class "MsnMsgrUIManager", in this process or in a
//   process of their own, that record every WM_COPYDATA they receive;
// - loading the plug-in as the host does: LoadLibraryA, the export, the
//   record's last two fields filled, init / config / quit (and FreeLibrary,
//   which the host itself never calls, for the tests).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ---- host windows and playlist ----------------------------------------

// An entry as the host keeps it: Unicode path and title (commands 214 and
// 213), and their narrow forms in the ANSI code page (211 and 212), where a
// character the code page cannot hold is "?". The answers to 211 and 212
// share one buffer, and so do those to 213 and 214: each request overwrites
// it.
struct StandinEntry {
    std::string path;    // answer to command 211
    std::string title;   // answer to command 212
    std::wstring widePath;   // answer to command 214
    std::wstring wideTitle;  // answer to command 213
    bool nullPath;      // answer 211 and 214 with a null pointer
    bool nullTitle;     // answer 212 and 213 with a null pointer
    // What the host's decoder gives for the file (requests 3026 and 290,
    // when the host answers them), field by field: an empty text is a field
    // the decoder does not know (answer 0); unreadable: 0 for every field.
    std::wstring metaTitle, metaArtist, metaAlbum;
    bool metaUnreadable = false;
};

// Creates the main window, its menu and the playlist editor window (once
// per process, again after StandinExit; later calls reset the playlist, the
// play state, the answers and the records). The host starts stopped, its
// cursor at 0.
void StandinStart(void);
// Test programs run side by side under one Wine server. This one moves the
// calling thread to a desktop of its own, so that no other program's plug-in
// broadcasts to its messengers; messengers it spawns start there too. Call it
// before the thread's first window; later calls do nothing. False on failure.
bool StandinPrivateDesktop(void);
// Replaces the playlist window with an ANSI window (its procedure an A
// procedure), as an older host has, until the next StandinStart.
void StandinAnsiPlaylistWindow(void);
HWND StandinMainWindow(void);
HWND StandinPlaylistWindow(void);

// Empties the playlist; the playing track plays on.
void StandinClearPlaylist(void);
// Appends an entry from narrow (ANSI code page) texts; returns its index.
int StandinAddEntry(const std::string &path, const std::string &title);
// Appends an entry from Unicode texts; returns its index.
int StandinAddEntryW(const std::wstring &path, const std::wstring &title);
// Removes an entry: the cursor moves with the entries after it, and the
// playing track plays on. Nothing is announced.
void StandinRemoveEntry(int index);
// Whether the host answers the Unicode requests 213, 214, 3031 and 3034 (by
// default it does); a host that does not answers them with 1.
void StandinSetUnicodeRequests(bool answers);
// Whether the host answers 3031 and 3034, the playing file's path and title
// (by default it does); one that does not answers them with 1.
void StandinSetPlayingFileRequests(bool answers);
// Which of the file metadata requests the host answers: 3026 (Unicode) and
// 290 (narrow, ANSI code page), only 290, or neither (the default: it
// answers 1 and writes nothing, as a host that does not know them). An
// answer writes as much of the text as the plug-in's buffer holds, to its
// last unit without a terminator when the text is longer.
enum StandinMetadataAnswers { STANDIN_METADATA_NONE, STANDIN_METADATA_BOTH, STANDIN_METADATA_NARROW_ONLY };
void StandinSetMetadataAnswers(StandinMetadataAnswers answers);
// Every metadata request since the last StandinStart, in order.
struct StandinMetadataRequest {
    LPARAM command;
    std::wstring filename;  // as given (narrow ones widened)
    std::wstring name;
    size_t retlen;
    int entry;  // the entry whose path the filename is, or -1
};
const std::vector<StandinMetadataRequest> &StandinMetadataRequests(void);
void StandinClearMetadataRequests(void);
// What command 104 answers from now on, without any notice or event: 1
// playing, 3 paused, 0 stopped (StandinPlay and the helpers after it change
// it in the host's order).
void StandinSetPlayState(int state);
StandinEntry *StandinEntryAt(int index);
// Gives the entry a new display title (UTF-8) without a notification: 213
// answers it, 212 its form in the ANSI code page, and 3034 when the entry
// plays.
void StandinSetEntryTitle(int index, const std::string &title);
// Moves the playing file's path and title (3031, 3034) to new buffers with
// the same contents and overwrites the old buffers before they are freed:
// an answer kept from an earlier request then points at nothing valid.
void StandinMovePlayingTexts(void);
// The cursor (command 125): 0 or more; a negative index is taken as 0.
void StandinSetCurrent(int index);
int StandinCurrent(void);
// The host's settings file: command 1334 answers with the address of its
// Unicode path, 334 with its narrow one (ANSI code page, "?" for what that
// lacks); an empty path makes the host answer `unsupportedAnswer` to both
// instead (1 by default, as a host that does not know them).
void StandinSetSettingsPath(const std::string &path, LRESULT unsupportedAnswer = 1);
void StandinSetSettingsPathW(const std::wstring &path);
// Whether the host answers 1334 (by default it does); one that does not
// answers it with 1, as an older host.
void StandinSetWideSettingsAnswer(bool answers);
// From now on the host answers `command` (and `other`) with a text that has
// no terminator before a page that cannot be read (0: no such answer).
void StandinSetUnterminatedAnswer(LPARAM command, LPARAM other = 0);
// Command 260: whether the host gives its playlist window (else 0).
void StandinSetGivesPlaylistWindow(bool gives);
// How many times the main window was asked for `command`.
int StandinRequestCount(LPARAM command);

// ---- playing, in the host's order ------------------------------------------

// A track start of the entry at `index`, which becomes the cursor and the
// playing file: the old track stops (666 with the index alone, 104 becomes
// 0, 3043), the new entry's title is refreshed (666 with bit 30), then 666
// with the index alone, and only then 104 becomes 1; 3003 and 13003 follow
// (while play tracking is on), and 603 with wParam 2 is posted.
void StandinPlay(int index);
// A stop: 666 with the index alone, 104 becomes 0, 3043 with `fullstop` (2:
// the end of the list), 603 with 2 posted.
void StandinStop(int fullstop = 0);
// Pause and unpause: 104 becomes 3 or 1; 603 with 2, then 7 or 8, posted.
// The playlist editor is told nothing.
void StandinPause(void);
void StandinUnpause(void);
// Next while stopped: 3043 (nothing was playing), the cursor moves on, and
// the new current entry's title is refreshed (666 with bit 30).
void StandinNextWhileStopped(void);
// The playing entry's title becomes `title` (UTF-8), with the notice of a
// title refresh (666 with bit 30) and 603 with 0 posted, as a stream's host
// does.
void StandinRefreshTitle(const std::string &title);
// The host plays the entry from now on, without any notice or event: a
// benchmark's way to a new track for every update.
void StandinSetPlayingEntry(int index);
// A tag editor switches play tracking off (3007 with 0) or on again (3007
// with 1); while it is off the host sends no 3003 or 13003.
void StandinSetPlayTracking(bool on);
// Whether the host tells its main window of starts, stops, pauses and
// unpauses (3003, 13003, 3043, 603); an older host does not.
void StandinSetMainWindowEvents(bool sends);

// A normal exit: the main window (with its menu) and the playlist editor
// are destroyed, then quit is called.
void StandinExit(void);
// The end of a Windows session: WM_ENDSESSION reaches the main window,
// whose procedure frees the playlist and calls quit, the windows alive.
void StandinEndSession(void);

// ---- the host's main menu ----------------------------------------------------

// The host's main popup menu (281): About, a separator, Play, File info,
// Bookmarks, a separator, Main Window, Playlist Editor, Equalizer, Video, a
// separator, Options, Playback, Visualization, Skins, a separator, Help, a
// separator, Exit. 280 gives the plug-ins' offset, 3019 a new command id
// (from 40471 on).
HMENU StandinMainMenu(void);
int StandinMenuOffset(void);
// Whether the host answers 3019 and 281 (by default it does); one that does
// not answers with 1.
void StandinSetMenuRequests(bool commandIds, bool menu);
// Removes the Video item by its command, as the host may do after loading
// its plug-ins.
void StandinRemoveVideoItem(void);
// A menu item's command reaching the main window: WM_COMMAND, or from the
// system menu WM_SYSCOMMAND.
void StandinMenuCommand(UINT command, bool systemMenu = false);

// ---- the playlist editor's own procedure -------------------------------

struct StandinMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int sequence;  // position among every recorded event of this process
};

// Every message the playlist window's own procedure received since the last
// clear, in order.
const std::vector<StandinMessage> &StandinPlaylistMessages(void);
void StandinClearPlaylistMessages(void);
// What the playlist window's procedure returns for every message it records.
extern const LRESULT STANDIN_PLAYLIST_RESULT;
// The number of recorded messages of this kind.
int StandinCountPlaylist(UINT message, WPARAM wParam, LPARAM lParam);

// Sends the notice of a title refresh (WM_USER, wParam 666, lParam bit 30
// and the cursor) to the playlist window, as the host does after a volume
// change or a rating, and returns the result the sender sees. Another
// lParam sends that one.
LRESULT StandinNotify(LPARAM lParam = -1);

// ---- messengers ---------------------------------------------------------

struct StandinCopyData {
    ULONG_PTR identifier;
    DWORD byteCount;
    std::string payload;  // the bytes the record pointed at
    int sequence;
};

// A messenger window in this process, top-level or message-only; returns
// its number (0, 1, ...).
int StandinAddMessenger(bool messageOnly = false);
HWND StandinMessengerWindow(int messenger);
void StandinRemoveMessenger(int messenger);
const std::vector<StandinCopyData> &StandinReceived(int messenger);
// Called by an in-process messenger right after it recorded a WM_COPYDATA,
// still inside its handler, so that a test can act in the middle of a
// broadcast (for example destroy a messenger). NULL: nothing is called.
void StandinSetReceiptHook(void (*hook)(int messenger));
void StandinClearReceived(void);

// A messenger in a process of its own (messenger.exe beside this program).
// It appends every record it receives to `logPath`. A hung messenger creates
// its window and then never handles a message. Returns the process, or NULL.
struct StandinRemote {
    HANDLE process;
    HWND window;
    std::string logPath;
};
bool StandinSpawnMessenger(const std::string &logPath, bool hung, StandinRemote *remote);
// The same with the behaviours that messenger.exe takes, as words separated
// by spaces: "hung", "windows=N", "call-host", "raise", "lower".
bool StandinSpawnMessengerWith(const std::string &logPath, const std::string &behaviours, StandinRemote *remote);
std::vector<StandinCopyData> StandinRemoteReceived(const StandinRemote &remote);
void StandinStopMessenger(StandinRemote *remote);
// Asks a program to close its window, and ends it when it has not ended
// within 3 seconds (at once when it has no window); closes the process handle.
void StandinEndProcess(HANDLE process, HWND window);

// Describes a status text for people: `off`, or
// `on "{0} - {1}" -> "Rain" | "Kora"`; anything else as `unexpected: ...`.
std::string StandinDescribe(const std::string &payload);
// The UTF-16 bytes of a UTF-8 text with its terminating zero, as a
// messenger receives it.
std::string StandinWide(const std::string &text);
// Conversions between UTF-8 and UTF-16, and from and to the ANSI code page.
std::wstring StandinFromUtf8(const std::string &text);
std::string StandinToUtf8(const std::wstring &text);
std::wstring StandinFromAnsi(const std::string &text);
std::string StandinToAnsi(const std::wstring &text);

// ---- the plug-in ---------------------------------------------------------

struct StandinPluginRecord {
    int version;
    const char *description;
    int (*init)(void);
    void (*config)(void);
    void (*quit)(void);
    HWND parentWindow;
    HINSTANCE moduleInstance;
};

// The plug-in's full path: gen_songbeam.dll beside this program.
std::string StandinPluginPath(void);
// Loads the library, calls the export and fills the record's last two
// fields. Returns the record, or NULL.
StandinPluginRecord *StandinLoad(const std::string &path = StandinPluginPath());
HMODULE StandinModule(void);
// Points the loaded plug-in's import of `function` from `dll` at
// `replacement` (a test's stand-in for a system function); returns what it
// pointed at, or NULL when the plug-in has no such import.
void *StandinPatchImport(const char *dll, const char *function, void *replacement);
int StandinInit(void);
void StandinConfig(void);
void StandinQuit(void);
void StandinUnload(void);

// ---- files ----------------------------------------------------------------

// A fresh folder for one test's files, under the system's temporary folder.
std::string StandinTempFolder(const std::string &name);
bool StandinWriteFile(const std::string &path, const std::string &bytes);
bool StandinWriteFileW(const std::wstring &path, const std::string &bytes);
std::string StandinReadFile(const std::string &path);
std::string StandinReadFileW(const std::wstring &path);
// 128 bytes of an ID3v1 tag: "TAG", then the three fields, each padded with
// zero bytes to 30, then year, comment and genre.
std::string StandinTag(const std::string &title, const std::string &artist, const std::string &album);
