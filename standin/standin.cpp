#include "standin/standin.h"

#include <stdio.h>
#include <string.h>

#include "monitor/status_line.h"

static const char MAIN_CLASS[] = "SongbeamStandinHost";
static const char PLAYLIST_CLASS[] = "SongbeamStandinPlaylist";
static const char MESSENGER_CLASS[] = "MsnMsgrUIManager";

const LRESULT STANDIN_PLAYLIST_RESULT = 0x5EB;

static HWND mainWindow;
static HWND playlistWindow;
static std::vector<StandinEntry> playlist;
static int currentIndex;
static bool unicodeRequests = true;
static int playState = 1;
static StandinMetadataAnswers metadataAnswers;
static std::vector<StandinMetadataRequest> metadataRequests;
static std::string settingsPath;
static std::wstring wideSettingsPath;
static bool answersWideSettings = true;
static LRESULT unsupportedSettingsAnswer;
static bool givesPlaylistWindow = true;
static std::vector<std::pair<LPARAM, int>> requestCounts;
static std::vector<StandinMessage> playlistMessages;
static int sequence;

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

template <typename Unit>
static LRESULT AnswerMetadata(LPARAM command, WPARAM wParam) {
    const MetadataRecord<Unit> *request = (const MetadataRecord<Unit> *)wParam;
    if (request == NULL || request->filename == NULL || request->metadata == NULL)
        return 0;
    StandinMetadataRequest seen = {command, Wide(request->filename), Wide(request->metadata), request->retlen, -1};
    for (size_t i = 0; i < playlist.size() && seen.entry < 0; i++) {
        if (sizeof(Unit) == 2 ? seen.filename == playlist[i].widePath
                              : std::string((const char *)request->filename) == playlist[i].path)
            seen.entry = (int)i;
    }
    metadataRequests.push_back(seen);
    bool answers = metadataAnswers == STANDIN_METADATA_BOTH || (metadataAnswers == STANDIN_METADATA_NARROW_ONLY &&
                                                                 command == 290);
    if (!answers || seen.entry < 0 || playlist[seen.entry].metaUnreadable || request->ret == NULL ||
        request->retlen == 0)
        return 0;
    const StandinEntry &entry = playlist[seen.entry];
    std::wstring wide = seen.name == L"title" ? entry.metaTitle : seen.name == L"artist" ? entry.metaArtist
                                                : seen.name == L"album"                    ? entry.metaAlbum
                                                                                           : std::wstring();
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

static LRESULT Answer(WPARAM wParam, LPARAM command) {
    CountRequest(command);
    int index = (int)wParam;
    bool valid = index >= 0 && index < (int)playlist.size();
    switch (command) {
    case 104:
        return wParam == 0 ? playState : 0;
    case 125:
        return currentIndex;
    case 211:
        if (!valid || playlist[index].nullPath)
            return 0;
        return (LRESULT)playlist[index].path.c_str();
    case 212:
        if (!valid || playlist[index].nullTitle)
            return 0;
        return (LRESULT)playlist[index].title.c_str();
    case 213:
        if (!unicodeRequests || !valid || playlist[index].nullTitle)
            return 0;
        return (LRESULT)playlist[index].wideTitle.c_str();
    case 214:
        if (!unicodeRequests || !valid || playlist[index].nullPath)
            return 0;
        return (LRESULT)playlist[index].widePath.c_str();
    case 290:
        return AnswerMetadata<char>(command, wParam);
    case 3026:
        return AnswerMetadata<wchar_t>(command, wParam);
    case 260:
        return givesPlaylistWindow ? (LRESULT)playlistWindow : 0;
    case 334:
        return settingsPath.empty() ? unsupportedSettingsAnswer : (LRESULT)settingsPath.c_str();
    case 1334:
        if (!answersWideSettings || wideSettingsPath.empty())
            return unsupportedSettingsAnswer;
        return (LRESULT)wideSettingsPath.c_str();
    }
    return 0;
}

static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER)
        return Answer(wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT CALLBACK PlaylistProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    playlistMessages.push_back({message, wParam, lParam, ++sequence});
    // The window's own messages keep their usual answers, so that it lives
    // like any window; messages sent to it by others get an answer of its own.
    if (message < WM_USER)
        return DefWindowProcA(window, message, wParam, lParam);
    return STANDIN_PLAYLIST_RESULT;
}

// The same for a playlist window that is a Unicode window.
static LRESULT CALLBACK PlaylistProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    playlistMessages.push_back({message, wParam, lParam, ++sequence});
    if (message < WM_USER)
        return DefWindowProcW(window, message, wParam, lParam);
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

bool StandinPrivateDesktop(void) {
    if (privateDesktop[0] != 0)
        return true;
    char name[sizeof privateDesktop];
    wsprintfA(name, "songbeam-%lu", GetCurrentProcessId());
    HDESK desktop = CreateDesktopA(name, NULL, NULL, 0, GENERIC_ALL, NULL);
    if (desktop == NULL || !SetThreadDesktop(desktop))
        return false;
    lstrcpynA(privateDesktop, name, sizeof privateDesktop);
    return true;
}

void StandinStart(void) {
    RegisterClassOnce(MAIN_CLASS, MainProc);
    RegisterClassOnce(PLAYLIST_CLASS, PlaylistProc);
    RegisterClassOnce(MESSENGER_CLASS, MessengerProc);
    if (mainWindow == NULL)
        mainWindow = CreateWindowExA(0, MAIN_CLASS, "Stand-in host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL,
                                     NULL, GetModuleHandleA(NULL), NULL);
    if (playlistWindow != NULL && IsWindowUnicode(playlistWindow))
        DestroyWindow(playlistWindow);
    if (playlistWindow == NULL || !IsWindow(playlistWindow))
        playlistWindow = CreateWindowExA(0, PLAYLIST_CLASS, "Stand-in playlist", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                         200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    playlist.clear();
    currentIndex = 0;
    unicodeRequests = true;
    playState = 1;
    metadataAnswers = STANDIN_METADATA_NONE;
    metadataRequests.clear();
    settingsPath.clear();
    wideSettingsPath.clear();
    answersWideSettings = true;
    unsupportedSettingsAnswer = 0;
    givesPlaylistWindow = true;
    requestCounts.clear();
    playlistMessages.clear();
    StandinClearReceived();
}

void StandinUnicodePlaylistWindow(void) {
    WNDCLASSW wc = {};
    if (!GetClassInfoW(GetModuleHandleW(NULL), L"SongbeamStandinPlaylistW", &wc)) {
        wc.lpfnWndProc = PlaylistProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"SongbeamStandinPlaylistW";
        RegisterClassW(&wc);
    }
    DestroyWindow(playlistWindow);
    playlistWindow = CreateWindowExW(0, L"SongbeamStandinPlaylistW", L"Stand-in playlist", WS_OVERLAPPEDWINDOW, 0,
                                     0, 300, 200, NULL, NULL, GetModuleHandleW(NULL), NULL);
    playlistMessages.clear();
}

HWND StandinMainWindow(void) { return mainWindow; }
HWND StandinPlaylistWindow(void) { return playlistWindow; }

void StandinClearPlaylist(void) { playlist.clear(); }

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

void StandinSetUnicodeRequests(bool answers) { unicodeRequests = answers; }
void StandinSetPlayState(int state) { playState = state; }
void StandinSetMetadataAnswers(StandinMetadataAnswers answers) { metadataAnswers = answers; }
const std::vector<StandinMetadataRequest> &StandinMetadataRequests(void) { return metadataRequests; }
void StandinClearMetadataRequests(void) { metadataRequests.clear(); }

StandinEntry *StandinEntryAt(int index) { return &playlist[index]; }
void StandinSetCurrent(int index) { currentIndex = index; }

void StandinSetEntryTitle(int index, const std::string &title) {
    playlist[index].wideTitle = StandinFromUtf8(title);
    playlist[index].title = StandinToAnsi(playlist[index].wideTitle);
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

void StandinMoveEntryTexts(int index) {
    StandinEntry &entry = playlist[index];
    MoveText(entry.path);
    MoveText(entry.title);
    MoveText(entry.widePath);
    MoveText(entry.wideTitle);
}

void StandinSetSettingsPath(const std::string &path, LRESULT unsupportedAnswer) {
    settingsPath = path;
    wideSettingsPath = StandinFromAnsi(path);
    unsupportedSettingsAnswer = unsupportedAnswer;
}

void StandinSetSettingsPathW(const std::wstring &path) {
    wideSettingsPath = path;
    settingsPath = StandinToAnsi(path);
    unsupportedSettingsAnswer = 0;
}

void StandinSetWideSettingsAnswer(bool answers) { answersWideSettings = answers; }

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

LRESULT StandinNotify(LPARAM lParam) {
    return SendMessageA(playlistWindow, WM_USER, 666, lParam);
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
    for (int waited = 0; window == NULL && waited < 20000; waited += 20) {
        window = FindWindowExA(NULL, NULL, MESSENGER_CLASS, title);
        if (window == NULL)
            Sleep(20);
    }
    remote->process = info.hProcess;
    remote->window = window;
    remote->logPath = logPath;
    if (window == NULL) {
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
    if (window != NULL)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, 3000) != WAIT_OBJECT_0) {
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
