// The stand-in host and messengers: our own small program in place of the
// media player and the instant messenger, which do not exist here. It does
// what the plug-in relies on and nothing more:
// - a main window answering the host requests (WM_USER with the command as
//   lParam) from a scripted playlist,
// - a playlist editor window whose own procedure records every message it
//   receives and answers with a value of its own,
// - messenger windows of class "MsnMsgrUIManager", in this process or in a
//   process of their own, that record every WM_COPYDATA they receive,
// - loading the plug-in as the host does: LoadLibraryA, the export, the
//   record's last two fields filled, init / config / quit, FreeLibrary.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ---- host windows and playlist ----------------------------------------

// An entry as the host keeps it: Unicode path and title (commands 214 and
// 213), and their narrow forms in the ANSI code page (211 and 212), where a
// character the code page cannot hold is "?".
struct StandinEntry {
    std::string path;    // answer to command 211
    std::string title;   // answer to command 212
    std::wstring widePath;   // answer to command 214
    std::wstring wideTitle;  // answer to command 213
    bool nullPath;      // answer 211 and 214 with a null pointer
    bool nullTitle;     // answer 212 and 213 with a null pointer
    // What the host's reading of the file gives (requests 3026 and 290, when
    // the host answers them): the texts, or unreadable: answer 0.
    std::wstring metaTitle, metaArtist, metaAlbum;
    bool metaUnreadable = false;
};

// Creates the main window and the playlist editor window (once per process;
// later calls reset the playlist, the settings answer and the records).
void StandinStart(void);
// Test programs run side by side under one Wine server. This one moves the
// calling thread to a desktop of its own, so that no other program's plug-in
// broadcasts to its messengers; messengers it spawns start there too. Call it
// before the thread's first window; later calls do nothing. False on failure.
bool StandinPrivateDesktop(void);
// Replaces the playlist window with a Unicode window (its procedure a W
// procedure) until the next StandinStart.
void StandinUnicodePlaylistWindow(void);
HWND StandinMainWindow(void);
HWND StandinPlaylistWindow(void);

void StandinClearPlaylist(void);
// Appends an entry from narrow (ANSI code page) texts; returns its index.
int StandinAddEntry(const std::string &path, const std::string &title);
// Appends an entry from Unicode texts; returns its index.
int StandinAddEntryW(const std::wstring &path, const std::wstring &title);
// Whether the host answers the Unicode requests 213 and 214 (by default it
// does); a host that does not answers them with 0.
void StandinSetUnicodeRequests(bool answers);
// Which of the file metadata requests the host answers: 3026 (Unicode) and
// 290 (narrow, ANSI code page), only 290, or neither (the default: it
// answers 0, as a host that does not know them). An answer writes as much of
// the text as the plug-in's buffer holds, to its last unit without a
// terminator when the text is longer.
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
// What command 104 answers: 1 playing (the default), 3 paused, 0 stopped. A
// host that does not know the command answers 0 as well.
void StandinSetPlayState(int state);
StandinEntry *StandinEntryAt(int index);
// Gives the entry a new display title (UTF-8) without a notification, as a
// stream's host does when the song changes: 213 answers it, 212 its form in
// the ANSI code page.
void StandinSetEntryTitle(int index, const std::string &title);
// Moves the entry's four texts to new buffers with the same contents and
// overwrites the old buffers before they are freed: an answer kept from an
// earlier request then points at nothing valid.
void StandinMoveEntryTexts(int index);
// The current index (command 125); may be negative or past the end.
void StandinSetCurrent(int index);
// The host's settings file: command 1334 answers with the address of its
// Unicode path, 334 with its narrow one (ANSI code page, "?" for what that
// lacks); an empty path makes the host answer `unsupportedAnswer` to both
// instead (0 by default).
void StandinSetSettingsPath(const std::string &path, LRESULT unsupportedAnswer = 0);
void StandinSetSettingsPathW(const std::wstring &path);
// Whether the host answers 1334 (by default it does); one that does not
// answers it with 0, as an older host.
void StandinSetWideSettingsAnswer(bool answers);
// Command 260: whether the host gives its playlist window (else 0).
void StandinSetGivesPlaylistWindow(bool gives);
// How many times the main window was asked for `command`.
int StandinRequestCount(LPARAM command);

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

// Sends the track-change notification (WM_USER, wParam 666) to the playlist
// window and returns the result the sender sees.
LRESULT StandinNotify(LPARAM lParam = 0x40000000);

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
// within 3 seconds; closes the process handle.
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
