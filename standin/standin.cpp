#include "standin/standin.h"

#include <stdio.h>
#include <string.h>

#include "monitor/status_line.h"

static const char MAIN_CLASS[] = "SongbeamStandinHost";
static const WCHAR PLAYLIST_CLASS[] = L"SongbeamStandinPlaylist";
static const char ANSI_PLAYLIST_CLASS[] = "SongbeamStandinPlaylistA";
static const char MESSENGER_CLASS[] = "MsnMsgrUIManager";

const LRESULT STANDIN_PLAYLIST_RESULT = 0x5EB;

// The host's requests and events by number.
enum {
    PLAY_STATE = 104, CURSOR = 125, ENTRY_FILE = 211, ENTRY_TITLE = 212, ENTRY_TITLE_W = 213, ENTRY_FILE_W = 214,
    PLAYLIST_WINDOW = 260, MENU_OFFSET = 280, MAIN_MENU = 281, FILE_METADATA = 290, SETTINGS_FILE = 334,
    SETTINGS_FILE_W = 1334, NEW_COMMAND_ID = 3019, FILE_METADATA_W = 3026, PLAYING_FILE_W = 3031,
    PLAYING_TITLE_W = 3034,
    EVENT_TRACK_STARTED = 3003, EVENT_TRACK_STARTED_W = 13003, EVENT_STOPPED = 3043, EVENT_PLAY_STATE = 603,
    PLAY_TRACKING = 3007,
    TITLE_REFRESHED = 0x40000000,
    FIRST_COMMAND_ID = 40471, VIDEO_COMMAND = 40470,
};

static HWND mainWindow;
static HWND playlistWindow;
static HMENU mainMenu;
static std::vector<StandinEntry> playlist;
static int currentIndex;
static int playState;
// The playing file, apart from the cursor: the track plays on whatever
// happens to the playlist.
static std::wstring playingPath, playingTitle;
static int playingEntry = -1;  // the entry it came from, while it is still there
static bool playingNullPath, playingNullTitle;
static bool playlistFreed;
static bool unicodeRequests = true, playingFileRequests = true;
static bool mainWindowEvents = true, playTracking = true;
static StandinMetadataAnswers metadataAnswers;
static std::vector<StandinMetadataRequest> metadataRequests;
static std::string settingsPath;
static std::wstring wideSettingsPath;
static bool answersWideSettings = true;
static LRESULT unsupportedSettingsAnswer = 1;
static LPARAM unterminatedCommands[2];
static void *unterminatedText;
static bool givesPlaylistWindow = true;
static bool givesCommandIds = true, givesMenu = true;
static int menuOffset;
static UINT nextCommandId = FIRST_COMMAND_ID;
static std::vector<std::pair<LPARAM, int>> requestCounts;
static std::vector<StandinMessage> playlistMessages;
static int sequence;

// The one buffer of 211 and 212, and the one of 213 and 214: each answer
// overwrites the last, as in the host. Longer texts are cut.
enum { SHARED_UNITS = 1 << 18 };
static char narrowAnswer[SHARED_UNITS];
static WCHAR wideAnswer[SHARED_UNITS];

struct Messenger {
    HWND window;
    std::vector<StandinCopyData> received;
};
static std::vector<Messenger> messengers;

static HMODULE plugin;

// The desktop this program's windows live on, when it has one of its own.
static char privateDesktop[64];
static StandinPluginRecord *record;

// ---- host windows ---------------------------------------------------------

static void CountRequest(LPARAM command) {
    for (auto &count : requestCounts) {
        if (count.first == command) {
            count.second++;
            return;
        }
    }
    requestCounts.push_back({command, 1});
}

// The request record of 3026 (Unit wchar_t) and 290 (char).
template <typename Unit>
struct MetadataRecord {
    const Unit *filename;
    const Unit *metadata;
    Unit *ret;
    size_t retlen;
};

static std::wstring Wide(const wchar_t *text) { return text; }
static std::wstring Wide(const char *text) { return StandinFromAnsi(text); }

// The decoder answers field by field: 0 for a field it does not know.
template <typename Unit>
static LRESULT AnswerMetadata(LPARAM command, WPARAM wParam) {
    bool answers = metadataAnswers == STANDIN_METADATA_BOTH ||
                   (metadataAnswers == STANDIN_METADATA_NARROW_ONLY && command == FILE_METADATA);
    const MetadataRecord<Unit> *request = (const MetadataRecord<Unit> *)wParam;
    if (request == NULL || request->filename == NULL || request->metadata == NULL)
        return answers ? 0 : 1;
    StandinMetadataRequest seen = {command, Wide(request->filename), Wide(request->metadata), request->retlen, -1};
    for (size_t i = 0; i < playlist.size() && seen.entry < 0; i++) {
        if (sizeof(Unit) == 2 ? seen.filename == playlist[i].widePath
                              : std::string((const char *)request->filename) == playlist[i].path)
            seen.entry = (int)i;
    }
    metadataRequests.push_back(seen);
    if (!answers)
        return 1;  // a request the host does not know
    if (seen.entry < 0 || playlist[seen.entry].metaUnreadable || request->ret == NULL || request->retlen == 0)
        return 0;
    const StandinEntry &entry = playlist[seen.entry];
    std::wstring wide = seen.name == L"title" ? entry.metaTitle : seen.name == L"artist" ? entry.metaArtist
                                                : seen.name == L"album"                    ? entry.metaAlbum
                                                                                           : std::wstring();
    if (wide.empty())
        return 0;
    std::basic_string<Unit> text;
    if (sizeof(Unit) == 2)
        text.assign((const Unit *)wide.c_str(), wide.size());
    else
        text.assign((const Unit *)StandinToAnsi(wide).c_str());
    size_t n = text.size() < request->retlen ? text.size() : request->retlen;
    memcpy(request->ret, text.data(), n * sizeof(Unit));
    if (n < request->retlen)
        request->ret[n] = 0;
    return 1;
}

static LRESULT ShareNarrow(const std::string &text) {
    lstrcpynA(narrowAnswer, text.c_str(), SHARED_UNITS);
    return (LRESULT)narrowAnswer;
}

static LRESULT ShareWide(const std::wstring &text) {
    lstrcpynW(wideAnswer, text.c_str(), SHARED_UNITS);
    return (LRESULT)wideAnswer;
}

// A text of 'a's that runs up to a page that cannot be read.
static LRESULT UnterminatedText(void) {
    if (unterminatedText == NULL) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        BYTE *pages = (BYTE *)VirtualAlloc(NULL, 2 * system.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        memset(pages, 'a', system.dwPageSize);
        DWORD old;
        VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);
        unterminatedText = pages;
    }
    return (LRESULT)unterminatedText;
}

static LRESULT Answer(WPARAM wParam, LPARAM command) {
    CountRequest(command);
    if (command != 0 && (command == unterminatedCommands[0] || command == unterminatedCommands[1]))
        return UnterminatedText();
    int index = (int)wParam;
    bool valid = index >= 0 && index < (int)playlist.size();
    switch (command) {
    case PLAY_STATE:
        return wParam == 0 ? playState : 1;
    case CURSOR:
        return currentIndex;
    case ENTRY_FILE:
        return !valid || playlist[index].nullPath ? 0 : ShareNarrow(playlist[index].path);
    case ENTRY_TITLE:
        return !valid || playlist[index].nullTitle ? 0 : ShareNarrow(playlist[index].title);
    case ENTRY_TITLE_W:
        if (!unicodeRequests)
            return 1;
        return !valid || playlist[index].nullTitle ? 0 : ShareWide(playlist[index].wideTitle);
    case ENTRY_FILE_W:
        if (!unicodeRequests)
            return 1;
        return !valid || playlist[index].nullPath ? 0 : ShareWide(playlist[index].widePath);
    case PLAYING_FILE_W:
        if (!unicodeRequests || !playingFileRequests)
            return 1;
        return playlistFreed || playingNullPath ? 0 : (LRESULT)playingPath.c_str();
    case PLAYING_TITLE_W:
        if (!unicodeRequests || !playingFileRequests)
            return 1;
        return playlistFreed || playingNullTitle ? 0 : (LRESULT)playingTitle.c_str();
    case FILE_METADATA:
        return AnswerMetadata<char>(command, wParam);
    case FILE_METADATA_W:
        return AnswerMetadata<wchar_t>(command, wParam);
    case PLAYLIST_WINDOW:
        return givesPlaylistWindow ? (LRESULT)playlistWindow : 0;
    case MENU_OFFSET:
        if (wParam == 1)
            menuOffset++;
        else if (wParam == (WPARAM)-1)
            menuOffset--;
        return menuOffset;
    case MAIN_MENU:
        return givesMenu && wParam == 0 ? (LRESULT)mainMenu : 1;
    case NEW_COMMAND_ID:
        return givesCommandIds && wParam == 0 ? (LRESULT)nextCommandId++ : 1;
    case SETTINGS_FILE:
        return settingsPath.empty() ? unsupportedSettingsAnswer : (LRESULT)settingsPath.c_str();
    case SETTINGS_FILE_W:
        if (!answersWideSettings || wideSettingsPath.empty())
            return unsupportedSettingsAnswer;
        return (LRESULT)wideSettingsPath.c_str();
    // What the host tells its own main window is no request.
    case EVENT_TRACK_STARTED:
    case EVENT_TRACK_STARTED_W:
    case EVENT_STOPPED:
    case EVENT_PLAY_STATE:
    case PLAY_TRACKING:
        return 0;
    }
    return 1;
}

static void FreePlaylist(void);

static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER)
        return Answer(wParam, lParam);
    if (message == WM_COMMAND || message == WM_SYSCOMMAND)
        return 0;  // the host swallows a command it does not know
    if (message == WM_ENDSESSION && wParam != FALSE) {
        // The playlist goes first; the plug-ins quit with the windows alive.
        FreePlaylist();
        if (record != NULL)
            record->quit();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT CALLBACK PlaylistProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    playlistMessages.push_back({message, wParam, lParam, ++sequence});
    // The window's own messages keep their usual answers, so that it lives
    // like any window; messages sent to it by others get an answer of its own.
    if (message < WM_USER)
        return DefWindowProcW(window, message, wParam, lParam);
    return STANDIN_PLAYLIST_RESULT;
}

// The same for the playlist window of an older host, an ANSI window.
static LRESULT CALLBACK AnsiPlaylistProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    playlistMessages.push_back({message, wParam, lParam, ++sequence});
    if (message < WM_USER)
        return DefWindowProcA(window, message, wParam, lParam);
    return STANDIN_PLAYLIST_RESULT;
}

static void (*receiptHook)(int messenger);

static LRESULT CALLBACK MessengerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        int receiver = -1;
        for (size_t i = 0; i < messengers.size(); i++) {
            Messenger &m = messengers[i];
            if (m.window == window) {
                std::string bytes;
                if (data->lpData != NULL)
                    bytes.assign((const char *)data->lpData, data->cbData);
                m.received.push_back({data->dwData, data->cbData, bytes, ++sequence});
                receiver = (int)i;
            }
        }
        if (receiver >= 0 && receiptHook != NULL)
            receiptHook(receiver);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterClassOnce(const char *name, WNDPROC proc) {
    WNDCLASSA wc = {};
    if (GetClassInfoA(GetModuleHandleA(NULL), name, &wc))
        return;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// Wine takes a desktop's name away, and ends the desktop's own process (its
// explorer), one second after nothing but that process's threads uses the
// desktop; it counts a thread of that process as gone before the process's
// thread count drops, so any of its threads that ends while the calling thread
// is the only other user starts that second. One always does: the clipboard
// thread, right after the desktop process starts; its next thread, which
// cancels the second, comes later than that on a busy machine. A messenger
// started with the name then gets a new desktop of that name, where no window
// of this program is, and the spawner never finds it. A second thread of this
// program on the desktop, until the program ends, keeps it from closing.
struct DesktopStay {
    HDESK desktop;
    HANDLE settled;
    BOOL joined;
};

static DWORD WINAPI StayOnDesktop(void *param) {
    DesktopStay *stay = (DesktopStay *)param;
    BOOL joined = stay->joined = SetThreadDesktop(stay->desktop);
    SetEvent(stay->settled);  // `stay` is the caller's: not used after this
    if (joined)
        Sleep(INFINITE);
    return 0;
}

bool StandinPrivateDesktop(void) {
    if (privateDesktop[0] != 0)
        return true;
    char name[sizeof privateDesktop];
    wsprintfA(name, "songbeam-%lu", GetCurrentProcessId());
    HDESK desktop = CreateDesktopA(name, NULL, NULL, 0, GENERIC_ALL, NULL);
    if (desktop == NULL || !SetThreadDesktop(desktop))
        return false;
    DesktopStay stay = {desktop, CreateEventA(NULL, TRUE, FALSE, NULL), FALSE};
    HANDLE thread = stay.settled != NULL ? CreateThread(NULL, 0, StayOnDesktop, &stay, 0, NULL) : NULL;
    if (thread != NULL) {
        WaitForSingleObject(stay.settled, INFINITE);
        CloseHandle(thread);
    }
    if (stay.settled != NULL)
        CloseHandle(stay.settled);
    if (!stay.joined)
        return false;
    lstrcpynA(privateDesktop, name, sizeof privateDesktop);
    return true;
}

// The host's main popup menu as it stands when the plug-ins load.
static HMENU CreateMainMenu(void) {
    static const struct {
        const char *text;  // NULL: a separator
        UINT command;
    } items[] = {
        {"&About Winamp", 40041}, {NULL, 0}, {"&Play", 40045}, {"File &info...", 40188},
        {"&Bookmarks", 40320}, {NULL, 0}, {"&Main Window", 40258}, {"Playlist &Editor", 40040},
        {"&Graphic Equalizer", 40036}, {"&Video", VIDEO_COMMAND}, {NULL, 0}, {"&Options", 40012},
        {"Play&back", 40013}, {"&Visualization", 40192}, {"&Skins", 40380}, {NULL, 0}, {"&Help", 40347},
        {NULL, 0}, {"E&xit", 40001},
    };
    HMENU menu = CreatePopupMenu();
    for (const auto &item : items)
        AppendMenuA(menu, item.text == NULL ? MF_SEPARATOR : MF_STRING, item.command, item.text);
    return menu;
}

static HWND CreatePlaylistWindow(void) {
    WNDCLASSW wc = {};
    if (!GetClassInfoW(GetModuleHandleW(NULL), PLAYLIST_CLASS, &wc)) {
        wc.lpfnWndProc = PlaylistProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = PLAYLIST_CLASS;
        RegisterClassW(&wc);
    }
    return CreateWindowExW(0, PLAYLIST_CLASS, L"Stand-in playlist", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, NULL, NULL,
                           GetModuleHandleW(NULL), NULL);
}

void StandinStart(void) {
    RegisterClassOnce(MAIN_CLASS, MainProc);
    RegisterClassOnce(MESSENGER_CLASS, MessengerProc);
    if (mainWindow == NULL || !IsWindow(mainWindow))
        mainWindow = CreateWindowExA(0, MAIN_CLASS, "Stand-in host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL,
                                     NULL, GetModuleHandleA(NULL), NULL);
    if (playlistWindow != NULL && !IsWindowUnicode(playlistWindow))
        DestroyWindow(playlistWindow);
    if (playlistWindow == NULL || !IsWindow(playlistWindow))
        playlistWindow = CreatePlaylistWindow();
    if (mainMenu != NULL)
        DestroyMenu(mainMenu);
    mainMenu = CreateMainMenu();
    menuOffset = 0;
    nextCommandId = FIRST_COMMAND_ID;
    givesCommandIds = givesMenu = true;
    playlist.clear();
    currentIndex = 0;
    playState = 0;
    playingPath.clear();
    playingTitle.clear();
    playingEntry = -1;
    playingNullPath = playingNullTitle = false;
    playlistFreed = false;
    unicodeRequests = playingFileRequests = true;
    mainWindowEvents = playTracking = true;
    metadataAnswers = STANDIN_METADATA_NONE;
    metadataRequests.clear();
    settingsPath.clear();
    wideSettingsPath.clear();
    answersWideSettings = true;
    unsupportedSettingsAnswer = 1;
    unterminatedCommands[0] = unterminatedCommands[1] = 0;
    givesPlaylistWindow = true;
    requestCounts.clear();
    playlistMessages.clear();
    StandinClearReceived();
}

void StandinAnsiPlaylistWindow(void) {
    RegisterClassOnce(ANSI_PLAYLIST_CLASS, AnsiPlaylistProc);
    DestroyWindow(playlistWindow);
    playlistWindow = CreateWindowExA(0, ANSI_PLAYLIST_CLASS, "Stand-in playlist", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                     200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    playlistMessages.clear();
}

HWND StandinMainWindow(void) { return mainWindow; }
HWND StandinPlaylistWindow(void) { return playlistWindow; }

void StandinClearPlaylist(void) {
    playlist.clear();
    currentIndex = 0;
    playingEntry = -1;
}

static void FreePlaylist(void) {
    StandinClearPlaylist();
    playlistFreed = true;
}

int StandinAddEntry(const std::string &path, const std::string &title) {
    StandinEntry entry;
    entry.path = path;
    entry.title = title;
    entry.widePath = StandinFromAnsi(path);
    entry.wideTitle = StandinFromAnsi(title);
    entry.nullPath = entry.nullTitle = false;
    playlist.push_back(entry);
    return (int)playlist.size() - 1;
}

int StandinAddEntryW(const std::wstring &path, const std::wstring &title) {
    StandinEntry entry;
    entry.path = StandinToAnsi(path);
    entry.title = StandinToAnsi(title);
    entry.widePath = path;
    entry.wideTitle = title;
    entry.nullPath = entry.nullTitle = false;
    playlist.push_back(entry);
    return (int)playlist.size() - 1;
}

void StandinRemoveEntry(int index) {
    if (index < 0 || index >= (int)playlist.size())
        return;
    playlist.erase(playlist.begin() + index);
    if (currentIndex > index || currentIndex >= (int)playlist.size())
        currentIndex = currentIndex > 0 ? currentIndex - 1 : 0;
    if (playingEntry == index)
        playingEntry = -1;
    else if (playingEntry > index)
        playingEntry--;
}

void StandinSetUnicodeRequests(bool answers) { unicodeRequests = answers; }
void StandinSetPlayingFileRequests(bool answers) { playingFileRequests = answers; }
void StandinSetPlayState(int state) { playState = state; }
void StandinSetMetadataAnswers(StandinMetadataAnswers answers) { metadataAnswers = answers; }
const std::vector<StandinMetadataRequest> &StandinMetadataRequests(void) { return metadataRequests; }
void StandinClearMetadataRequests(void) { metadataRequests.clear(); }

StandinEntry *StandinEntryAt(int index) { return &playlist[index]; }
void StandinSetCurrent(int index) { currentIndex = index < 0 ? 0 : index; }
int StandinCurrent(void) { return currentIndex; }

void StandinSetEntryTitle(int index, const std::string &title) {
    playlist[index].wideTitle = StandinFromUtf8(title);
    playlist[index].title = StandinToAnsi(playlist[index].wideTitle);
    if (index == playingEntry)
        playingTitle = playlist[index].wideTitle;
}

template <typename Text>
static void MoveText(Text &text) {
    Text moved;
    moved.reserve(text.capacity() + 64);  // a heap block of its own, never the old one
    moved = text;
    for (auto &c : text)
        c = '#';
    text.swap(moved);
}

void StandinMovePlayingTexts(void) {
    MoveText(playingPath);
    MoveText(playingTitle);
}

void StandinSetSettingsPath(const std::string &path, LRESULT unsupportedAnswer) {
    settingsPath = path;
    wideSettingsPath = StandinFromAnsi(path);
    unsupportedSettingsAnswer = unsupportedAnswer;
}

void StandinSetSettingsPathW(const std::wstring &path) {
    wideSettingsPath = path;
    settingsPath = StandinToAnsi(path);
    unsupportedSettingsAnswer = 1;
}

void StandinSetWideSettingsAnswer(bool answers) { answersWideSettings = answers; }
void StandinSetUnterminatedAnswer(LPARAM command, LPARAM other) {
    unterminatedCommands[0] = command;
    unterminatedCommands[1] = other;
}
void StandinSetGivesPlaylistWindow(bool gives) { givesPlaylistWindow = gives; }

int StandinRequestCount(LPARAM command) {
    for (auto &count : requestCounts)
        if (count.first == command)
            return count.second;
    return 0;
}

const std::vector<StandinMessage> &StandinPlaylistMessages(void) { return playlistMessages; }
void StandinClearPlaylistMessages(void) { playlistMessages.clear(); }

int StandinCountPlaylist(UINT message, WPARAM wParam, LPARAM lParam) {
    int n = 0;
    for (auto &m : playlistMessages)
        if (m.message == message && m.wParam == wParam && m.lParam == lParam)
            n++;
    return n;
}

// The playlist editor is a Unicode window: the host sends it W messages.
static LRESULT Notice(LPARAM lParam) {
    return SendMessageW(playlistWindow, WM_USER, 666, lParam);
}

LRESULT StandinNotify(LPARAM lParam) {
    return Notice(lParam == -1 ? TITLE_REFRESHED | currentIndex : lParam);
}

// ---- playing, in the host's order ------------------------------------------

static void Event(WPARAM wParam, LPARAM event) {
    if (mainWindowEvents)
        SendMessageA(mainWindow, WM_USER, wParam, event);
}

static void PostEvent(WPARAM wParam) {
    if (mainWindowEvents)
        PostMessageA(mainWindow, WM_USER, wParam, EVENT_PLAY_STATE);
}

struct StopRecord {
    int lastTime;
    int fullstop;
};

static void Stopped(int fullstop) {
    StopRecord stop = {0, fullstop};
    Event((WPARAM)&stop, EVENT_STOPPED);
}

// The texts are assigned in place: the buffers keep their size, as a host's
// do.
void StandinSetPlayingEntry(int index) {
    bool valid = index >= 0 && index < (int)playlist.size();
    playingEntry = valid ? index : -1;
    playingPath.assign(valid ? playlist[index].widePath.c_str() : L"");
    playingTitle.assign(valid ? playlist[index].wideTitle.c_str() : L"");
    playingNullPath = valid && playlist[index].nullPath;
    playingNullTitle = valid && playlist[index].nullTitle;
}

void StandinPlay(int index) {
    if (playState != 0) {
        Notice(currentIndex);
        playState = 0;
    }
    Stopped(0);
    StandinSetCurrent(index);
    StandinSetPlayingEntry(index);
    Notice(TITLE_REFRESHED | currentIndex);
    Notice(currentIndex);
    playState = 1;
    if (playTracking) {
        std::string narrow = StandinToAnsi(playingPath);
        Event((WPARAM)narrow.c_str(), EVENT_TRACK_STARTED);
        Event((WPARAM)playingPath.c_str(), EVENT_TRACK_STARTED_W);
    }
    PostEvent(2);
}

void StandinStop(int fullstop) {
    Notice(currentIndex);
    playState = 0;
    Stopped(fullstop);
    PostEvent(2);
}

void StandinPause(void) {
    playState = 3;
    PostEvent(2);
    PostEvent(7);
}

void StandinUnpause(void) {
    playState = 1;
    PostEvent(2);
    PostEvent(8);
}

void StandinNextWhileStopped(void) {
    Stopped(0);
    if (currentIndex + 1 < (int)playlist.size())
        currentIndex++;
    Notice(TITLE_REFRESHED | currentIndex);
}

void StandinRefreshTitle(const std::string &title) {
    if (playingEntry >= 0)
        StandinSetEntryTitle(playingEntry, title);
    else
        playingTitle = StandinFromUtf8(title);
    Notice(TITLE_REFRESHED | currentIndex);
    PostEvent(0);
}

void StandinSetPlayTracking(bool on) {
    playTracking = on;
    SendMessageA(mainWindow, WM_USER, on ? 1 : 0, PLAY_TRACKING);
}

void StandinSetMainWindowEvents(bool sends) { mainWindowEvents = sends; }

void StandinExit(void) {
    DestroyMenu(mainMenu);
    mainMenu = NULL;
    DestroyWindow(mainWindow);
    DestroyWindow(playlistWindow);
    mainWindow = playlistWindow = NULL;
    if (record != NULL)
        record->quit();
}

void StandinEndSession(void) {
    SendMessageA(mainWindow, WM_QUERYENDSESSION, 0, 0);
    // The host's menu is gone by the time the plug-ins quit.
    DestroyMenu(mainMenu);
    mainMenu = NULL;
    SendMessageA(mainWindow, WM_ENDSESSION, TRUE, 0);
}

// ---- the host's main menu ----------------------------------------------------

HMENU StandinMainMenu(void) { return mainMenu; }
int StandinMenuOffset(void) { return menuOffset; }

void StandinSetMenuRequests(bool commandIds, bool menu) {
    givesCommandIds = commandIds;
    givesMenu = menu;
}

void StandinRemoveVideoItem(void) { DeleteMenu(mainMenu, VIDEO_COMMAND, MF_BYCOMMAND); }

void StandinMenuCommand(UINT command, bool systemMenu) {
    if (systemMenu)
        SendMessageA(mainWindow, WM_SYSCOMMAND, command, 0);
    else
        SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// ---- messengers -------------------------------------------------------------

int StandinAddMessenger(bool messageOnly) {
    RegisterClassOnce(MESSENGER_CLASS, MessengerProc);
    char title[32];
    wsprintfA(title, "messenger %d", (int)messengers.size() + 1);
    HWND window = CreateWindowExA(0, MESSENGER_CLASS, title, messageOnly ? 0 : WS_OVERLAPPED, 0, 0, 10, 10,
                                  messageOnly ? HWND_MESSAGE : NULL, NULL, GetModuleHandleA(NULL), NULL);
    messengers.push_back({window, {}});
    return (int)messengers.size() - 1;
}

HWND StandinMessengerWindow(int messenger) { return messengers[messenger].window; }

void StandinRemoveMessenger(int messenger) {
    if (messengers[messenger].window != NULL)
        DestroyWindow(messengers[messenger].window);
    messengers[messenger].window = NULL;
}

const std::vector<StandinCopyData> &StandinReceived(int messenger) { return messengers[messenger].received; }

void StandinSetReceiptHook(void (*hook)(int messenger)) { receiptHook = hook; }

void StandinClearReceived(void) {
    for (auto &m : messengers)
        m.received.clear();
}

static std::string ProgramFolder(void) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, n);
    size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

bool StandinSpawnMessenger(const std::string &logPath, bool hung, StandinRemote *remote) {
    return StandinSpawnMessengerWith(logPath, hung ? "hung" : "", remote);
}

bool StandinSpawnMessengerWith(const std::string &logPath, const std::string &behaviours, StandinRemote *remote) {
    DeleteFileA(logPath.c_str());
    std::string command = "\"" + ProgramFolder() + "\\messenger.exe\" \"" + logPath + "\" " + behaviours;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (privateDesktop[0] != 0)
        startup.lpDesktop = privateDesktop;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    char title[64];
    wsprintfA(title, "songbeam messenger %lu", info.dwProcessId);
    HWND window = NULL;
    bool ended = false;
    for (int waited = 0; window == NULL && !ended && waited < 20000; waited += 20) {
        window = FindWindowExA(NULL, NULL, MESSENGER_CLASS, title);
        // A messenger that ended (no log file, no window) shows none: no more waiting.
        if (window == NULL)
            ended = WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0;
    }
    remote->process = info.hProcess;
    remote->window = window;
    remote->logPath = logPath;
    if (window == NULL) {
        DWORD code = 0;
        if (ended && GetExitCodeProcess(info.hProcess, &code))
            fprintf(stderr, "standin: messenger %lu ended with exit code %lu before showing its window\n",
                    info.dwProcessId, code);
        else
            fprintf(stderr, "standin: messenger %lu showed no window on this desktop within 20 s\n",
                    info.dwProcessId);
        StandinStopMessenger(remote);
        return false;
    }
    return true;
}

std::vector<StandinCopyData> StandinRemoteReceived(const StandinRemote &remote) {
    std::string log = StandinReadFile(remote.logPath);
    std::vector<StandinCopyData> out;
    size_t at = 0;
    while (at + 8 <= log.size()) {
        DWORD identifier, bytes;
        memcpy(&identifier, log.data() + at, 4);
        memcpy(&bytes, log.data() + at + 4, 4);
        at += 8;
        if (at + bytes > log.size())
            break;
        out.push_back({identifier, bytes, log.substr(at, bytes), 0});
        at += bytes;
    }
    return out;
}

void StandinEndProcess(HANDLE process, HWND window) {
    if (process == NULL)
        return;
    // A program without a window cannot be asked to close: it is ended at once.
    if (window == NULL || !PostMessageA(window, WM_CLOSE, 0, 0) ||
        WaitForSingleObject(process, 3000) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 3000);
    }
    CloseHandle(process);
}

void StandinStopMessenger(StandinRemote *remote) {
    StandinEndProcess(remote->process, remote->window);
    remote->process = NULL;
    remote->window = NULL;
}

// ---- texts ---------------------------------------------------------------

// The decoding is the monitor's; this is the tests' own notation of it.
std::string StandinDescribe(const std::string &payload) {
    StatusLine status = DecodeStatus((const unsigned char *)payload.data(), payload.size());
    if (status.kind == STATUS_OFF)
        return "off";
    if (status.kind == STATUS_ON) {
        std::string out = "on \"" + StatusPrintable(status.format) + "\" ->";
        for (size_t i = 0; i < status.slots.size(); i++)
            out += (i == 0 ? " \"" : " | \"") + StatusPrintable(status.slots[i]) + "\"";
        return out;
    }
    return "unexpected: " + StatusPrintable(status.text);
}

static std::wstring Widen(UINT codePage, const std::string &text) {
    if (text.empty())
        return std::wstring();
    int units = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide((size_t)units, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], units);
    return wide;
}

static std::string Narrow(UINT codePage, const std::wstring &text) {
    if (text.empty())
        return std::string();
    int bytes = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string narrow((size_t)bytes, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &narrow[0], bytes, NULL, NULL);
    return narrow;
}

std::wstring StandinFromUtf8(const std::string &text) { return Widen(CP_UTF8, text); }
std::string StandinToUtf8(const std::wstring &text) { return Narrow(CP_UTF8, text); }
std::wstring StandinFromAnsi(const std::string &text) { return Widen(CP_ACP, text); }
std::string StandinToAnsi(const std::wstring &text) { return Narrow(CP_ACP, text); }

std::string StandinWide(const std::string &text) {
    std::wstring wide = StandinFromUtf8(text);
    std::string out((const char *)wide.data(), 2 * wide.size());
    out += std::string(2, '\0');
    return out;
}

// ---- the plug-in -----------------------------------------------------------

std::string StandinPluginPath(void) { return ProgramFolder() + "\\gen_songbeam.dll"; }

StandinPluginRecord *StandinLoad(const std::string &path) {
    plugin = LoadLibraryA(path.c_str());
    if (plugin == NULL)
        return NULL;
    typedef StandinPluginRecord *(*Export)(void);
    Export get = (Export)(void *)GetProcAddress(plugin, "winampGetGeneralPurposePlugin");
    if (get == NULL)
        return NULL;
    record = get();
    record->parentWindow = mainWindow;
    record->moduleInstance = plugin;
    return record;
}

HMODULE StandinModule(void) { return plugin; }

void *StandinPatchImport(const char *dll, const char *function, void *replacement) {
    if (plugin == NULL)
        return NULL;
    BYTE *base = (BYTE *)plugin;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return NULL;
    FARPROC real = GetProcAddress(GetModuleHandleA(dll), function);
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name != 0; d++) {
        if (lstrcmpiA((const char *)(base + d->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                        : d->FirstThunk));
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; slots->u1.Function != 0; names++, slots++) {
            bool byName = d->OriginalFirstThunk != 0 && !IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                          strcmp((const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name,
                                 function) == 0;
            if (!byName && (real == NULL || (FARPROC)slots->u1.Function != real))
                continue;
            void **slot = (void **)&slots->u1.Function;
            DWORD old;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
            void *previous = *slot;
            *slot = replacement;
            VirtualProtect(slot, sizeof *slot, old, &old);
            return previous;
        }
    }
    return NULL;
}
int StandinInit(void) { return record->init(); }
void StandinConfig(void) { record->config(); }
void StandinQuit(void) { record->quit(); }

void StandinUnload(void) {
    if (plugin != NULL)
        FreeLibrary(plugin);
    plugin = NULL;
    record = NULL;
}

// ---- files -------------------------------------------------------------------

std::string StandinTempFolder(const std::string &name) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "songbeam-" + name;
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

bool StandinWriteFile(const std::string &path, const std::string &bytes) {
    return StandinWriteFileW(StandinFromAnsi(path), bytes);
}

bool StandinWriteFileW(const std::wstring &path, const std::string &bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string StandinReadFile(const std::string &path) { return StandinReadFileW(StandinFromAnsi(path)); }

std::string StandinReadFileW(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

static std::string Field(const std::string &text, size_t size) {
    std::string field = text.substr(0, size);
    field.resize(size, '\0');
    return field;
}

std::string StandinTag(const std::string &title, const std::string &artist, const std::string &album) {
    return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + "2005" + Field("comment", 30) +
           std::string(1, (char)12);
}
