// Times the plug-in's update cycle against the same Windows calls made inline,
// the cost of the other tags and of the host's own reading against ID3v1,
// and what a notice, an event and the once-a-second tick cost when nothing
// has changed.
//
// One update through the plug-in: the host plays another file, and its
// title-refresh notice reaches the hooked playlist window; the plug-in asks
// the host whether it plays, for the playing file's path and title, looks at
// the file's time stamp, finds them changed, reads the file's tags, composes
// the status text and sends it to every messenger. A status equal to the
// last one is not sent again, so updates come in pairs: the file measured,
// then a second ID3v1 file with another title. The plug-in sends at most one
// status every two seconds; here its clock (GetTickCount, through its import
// table) moves on by more than that at every look, so that every update
// sends. The baseline makes the calls that cannot be avoided, in the same
// process, on the same files and windows: the three host requests (104,
// 3031, 3034), GetFileAttributesExW, CreateFileW, GetFileType, GetFileSize,
// a read at the start of the file (is there an ID3v2 tag or a FLAC stream?)
// and the 128 bytes at its end, MultiByteToWideChar for two fields, two
// wsprintfW, and FindWindowExA over the top-level and the message-only
// windows and SendMessageTimeoutA per messenger.
//
// A busy machine slows some stretches of a run and not others, so what is
// compared runs in many short rounds in turn, each compared with the
// baseline's round right beside it: a row's figure is the median of these
// per-round ratios, printed with their quartiles. Also: the time from
// LoadLibraryA to the end of init, and the size of the plug-in beside this
// program.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "standin/standin.h"

namespace {

enum { ROUNDS = 101, UPDATES_PER_ROUND = 40, TICKS_PER_ROUND = 2000 };

double Now(void) {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

// The value at `fraction` of the sorted values: 0.5 the median, 0.25 and
// 0.75 the quartiles.
double Quantile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[(size_t)(fraction * (double)(values.size() - 1) + 0.5)];
}

double Median(const std::vector<double> &values) {
    return Quantile(values, 0.5);
}

// The entry measured and the second ID3v1 file of each pair.
int measured, partner;

void PluginUpdate(int entry) {
    StandinSetPlayingEntry(entry);
    StandinNotify();
}

void PluginPair(void) {
    PluginUpdate(measured);
    PluginUpdate(partner);
}

// A notice and an event (a track start announced again) with nothing
// changed: the playing file is the one the last update read.
void PluginNotice(void) {
    StandinNotify();
}

void PluginEvent(void) {
    SendMessageA(StandinMainWindow(), WM_USER, 0, 13003);
}

const char MESSENGER_CLASS[] = "MsnMsgrUIManager";

// The calls the plug-in makes for one update of an ID3v1-tagged file,
// without the plug-in.
void BaselineUpdate(int entry) {
    StandinSetPlayingEntry(entry);
    HWND host = StandinMainWindow();
    SendMessageA(host, WM_USER, 0, 104);
    const WCHAR *path = (const WCHAR *)SendMessageA(host, WM_USER, 0, 3031);
    WIN32_FILE_ATTRIBUTE_DATA stamp;
    GetFileAttributesExW(path, GetFileExInfoStandard, &stamp);
    SendMessageA(host, WM_USER, 0, 3034);
    char head[10], tag[128];
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD got, high = 0;
        GetFileType(file);
        DWORD size = GetFileSize(file, &high);
        OVERLAPPED at = {};
        ReadFile(file, head, sizeof head, &got, &at);
        at.Offset = size - sizeof tag;
        ReadFile(file, tag, sizeof tag, &got, &at);
        CloseHandle(file);
    }
    WCHAR title[128], artist[128];
    int n = MultiByteToWideChar(CP_ACP, 0, tag + 3, 4, title, 127);
    title[n] = 0;
    n = MultiByteToWideChar(CP_ACP, 0, tag + 33, 4, artist, 127);
    artist[n] = 0;
    WCHAR values[640], text[640];
    wsprintfW(values, L"%s\\0%s\\0%s", title, artist, L"WMContentID");
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0%s\\0", 1, L"{0} - {1}", values);
    COPYDATASTRUCT record = {0x547, (DWORD)(2 * (lstrlenW(text) + 1)), text};
    for (HWND parent : {(HWND)NULL, HWND_MESSAGE}) {
        HWND messenger = FindWindowExA(parent, NULL, MESSENGER_CLASS, NULL);
        while (messenger != NULL) {
            DWORD_PTR ignored;
            SendMessageTimeoutA(messenger, WM_COPYDATA, 0, (LPARAM)&record, SMTO_NORMAL | SMTO_ABORTIFHUNG, 2000,
                                &ignored);
            messenger = FindWindowExA(parent, messenger, MESSENGER_CLASS, NULL);
        }
    }
}

void BaselinePair(void) {
    BaselineUpdate(measured);
    BaselineUpdate(partner);
}

// The plug-in's clock: more than the two seconds between statuses at every
// look.
DWORD fakeClock;
DWORD WINAPI FastClock(void) {
    return fakeClock += 2500;
}

// Seconds per call, one round of `count` calls.
double Round(void (*call)(void), int count) {
    double start = Now();
    for (int i = 0; i < count; i++)
        call();
    double took = Now() - start;
    StandinClearReceived();
    StandinClearPlaylistMessages();
    StandinClearMetadataRequests();
    return took / count;
}

// What is compared: each contender may first make its file the current
// one. The first contender is the baseline of the others.
struct Contender {
    int entry;  // the playlist entry measured, or -1
    void (*call)(void);
    int perRound;
    // Whether the host answers the file metadata requests for it.
    StandinMetadataAnswers answers = STANDIN_METADATA_NONE;
    std::vector<double> rounds = {};  // seconds per call in each round
    std::vector<double> ratios = {};  // each round against the baseline's round beside it
};

// The contender's file plays, and the plug-in has read it once.
void Prepare(const Contender &c) {
    StandinSetMetadataAnswers(c.answers);
    if (c.entry >= 0) {
        measured = c.entry;
        PluginUpdate(measured);
    }
}

// Rounds of every contender in turn, ROUNDS times; the order is reversed
// every other time, so that no contender always follows another.
void Measure(std::vector<Contender> &contenders) {
    size_t n = contenders.size();
    for (int warm = 0; warm < 5; warm++) {
        for (Contender &c : contenders) {
            Prepare(c);
            Round(c.call, c.perRound);
        }
    }
    for (int r = 0; r < ROUNDS; r++) {
        for (size_t k = 0; k < n; k++) {
            Contender &c = contenders[r % 2 == 0 ? k : n - 1 - k];
            Prepare(c);
            c.rounds.push_back(Round(c.call, c.perRound));
        }
        for (Contender &c : contenders)
            c.ratios.push_back(c.rounds.back() / contenders[0].rounds.back());
    }
    StandinSetMetadataAnswers(STANDIN_METADATA_NONE);
}

// A row's ratio with the quartiles of the per-round ratios beside it.
void PrintRatio(const Contender &c) {
    printf("%6.3f  [%.3f %.3f]", Median(c.ratios), Quantile(c.ratios, 0.25), Quantile(c.ratios, 0.75));
}

// The plug-in's tick, as the first WM_TIMER of this thread carries it: it is
// timed by dispatching that message again, as the host's message loop does,
// beside the same dispatch of a timer that does nothing (the baseline).
MSG tick, emptyTick;

void CALLBACK Nothing(HWND, UINT, UINT_PTR, DWORD) {}

// The tick is the timer that comes back: a look the plug-in asked for
// comes once, and is handled.
bool FindTick(void) {
    MSG msg;
    std::vector<UINT_PTR> seen;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 3000) {
        if (PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            bool thread = msg.hwnd == NULL && msg.lParam != 0;
            if (thread && std::find(seen.begin(), seen.end(), msg.wParam) != seen.end()) {
                tick = msg;
                UINT_PTR empty = SetTimer(NULL, 0, 10, Nothing);
                while (!PeekMessageA(&emptyTick, NULL, WM_TIMER, WM_TIMER, PM_REMOVE) || emptyTick.wParam != empty)
                    MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
                KillTimer(NULL, empty);
                return true;
            }
            if (thread)
                seen.push_back(msg.wParam);
            DispatchMessageA(&msg);
        }
        // Other messages (the watch for new windows among them) are handled.
        while (PeekMessageA(&msg, NULL, 0, WM_TIMER - 1, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    }
    return false;
}

void Tick(void) {
    DispatchMessageA(&tick);
}

void EmptyTick(void) {
    DispatchMessageA(&emptyTick);
}

std::string ProgramFolder(void) {
    std::string plugin = StandinPluginPath();
    return plugin.substr(0, plugin.find_last_of('\\'));
}

// A row against a baseline of update pairs: each round's figure per update
// of the pair's ID3v1 file, which costs as much as the other one.
void PrintPerUpdate(const Contender &c, const char *name, const char *target) {
    std::vector<double> ratios;
    for (double ratio : c.ratios)
        ratios.push_back(2 * ratio);
    printf("  %-48s %8.3f us: %6.3f  [%.3f %.3f] x one update (target %s)\n", name, Median(c.rounds) * 1e6,
           Median(ratios), Quantile(ratios, 0.25), Quantile(ratios, 0.75), target);
}

}  // namespace

int main(void) {
    StandinStart();
    std::string folder = StandinTempFolder("bench");
    std::string ini = folder + "\\settings.ini";
    DeleteFileA(ini.c_str());
    StandinSetSettingsPath(ini);
    std::string track = folder + "\\rain.mp3", other = folder + "\\snow.mp3";
    StandinWriteFile(track, std::string(4000, '\x55') + StandinTag("Rain", "Kora", "Blue"));
    StandinWriteFile(other, std::string(4000, '\x55') + StandinTag("Snow", "Kora", "Blue"));
    int id3v1 = StandinAddEntry(track, "Kora - Rain");
    partner = StandinAddEntry(other, "Kora - Snow");
    std::string corpus = ProgramFolder() + "\\corpus\\";
    int picture = StandinAddEntry(corpus + "v24-picture-1mib-first-crafted.mp3", "x");
    int flac = StandinAddEntry(corpus + "flac-vorbis-metaflac.flac", "x");
    int mp4 = StandinAddEntry(corpus + "mp4-moov-after-4mib-mdat-crafted.m4a", "x");
    int opus = StandinAddEntry(corpus + "opus-picture-1mib-before-title-opusenc.opus", "x");
    int wma = StandinAddEntry(corpus + "asf-wma-ffmpeg.wma", "x");
    // An ID3v1 file that the host reads itself.
    std::string hostTrack = folder + "\\host.mp3";
    StandinWriteFile(hostTrack, std::string(4000, '\x55') + StandinTag("Rain", "Kora", "Blue"));
    int host = StandinAddEntry(hostTrack, "Kora - Rain");
    StandinEntryAt(host)->metaTitle = L"Rain";
    StandinEntryAt(host)->metaArtist = L"Kora";
    StandinEntryAt(host)->metaAlbum = L"Blue";

    // Load and init, as the host does: the first in this process, then again.
    std::vector<double> loads;
    double firstLoad = 0;
    for (int i = 0; i < 6; i++) {
        double start = Now();
        if (StandinLoad() == NULL) {
            printf("cannot load %s\n", StandinPluginPath().c_str());
            return 1;
        }
        StandinInit();
        double took = Now() - start;
        if (i == 0)
            firstLoad = took;
        else
            loads.push_back(took);
        if (i < 5) {
            StandinQuit();
            StandinUnload();
        }
    }
    DeleteFileA(ini.c_str());
    if (StandinPatchImport("kernel32.dll", "GetTickCount", (void *)FastClock) == NULL) {
        printf("the plug-in imports no GetTickCount: its clock cannot be moved on\n");
        return 1;
    }

    HANDLE dll = CreateFileA(StandinPluginPath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD size = GetFileSize(dll, NULL);
    CloseHandle(dll);

    // The statuses a pair sends, checked once.
    StandinAddMessenger();
    StandinPlay(partner);
    measured = id3v1;
    StandinClearReceived();
    PluginPair();
    std::string pluginText;
    for (const auto &got : StandinReceived(0))
        pluginText += StandinDescribe(got.payload) + "; ";
    StandinClearReceived();
    BaselinePair();
    std::string baselineText;
    for (const auto &got : StandinReceived(0))
        baselineText += StandinDescribe(got.payload) + "; ";
    StandinClearReceived();
    printf("statuses a pair sends: %s(baseline: %s)\n", pluginText.c_str(),
           pluginText == baselineText ? "the same" : baselineText.c_str());

    printf("%d rounds of %d pairs of updates each, against the baseline's round beside each: median ratio "
           "[quartiles]\n",
           ROUNDS, UPDATES_PER_ROUND);
    printf("messengers  plug-in (us/update)  baseline (us/update)  ratio\n");
    double worst = 0;
    int messengers = 1;
    for (int want : {1, 2, 8, 32}) {
        while (messengers < want) {
            StandinAddMessenger();
            messengers++;
        }
        std::vector<Contender> c = {{id3v1, BaselinePair, UPDATES_PER_ROUND}, {id3v1, PluginPair, UPDATES_PER_ROUND}};
        Measure(c);
        double plugin = Median(c[1].rounds) / 2, baseline = Median(c[0].rounds) / 2;
        worst = std::max(worst, Median(c[1].ratios));
        printf("%10d  %19.2f  %20.2f  ", want, plugin * 1e6, baseline * 1e6);
        PrintRatio(c[1]);
        printf("\n");
    }
    printf("highest ratio %.3f (target <= 1.10 at every count)\n", worst);

    // Two messengers again: the other tags against the ID3v1 tag.
    while (messengers > 2) {
        StandinRemoveMessenger(--messengers);
    }
    std::vector<Contender> tags = {{id3v1, PluginPair, UPDATES_PER_ROUND},
                                   {picture, PluginPair, UPDATES_PER_ROUND},
                                   {flac, PluginPair, UPDATES_PER_ROUND},
                                   {mp4, PluginPair, UPDATES_PER_ROUND},
                                   {opus, PluginPair, UPDATES_PER_ROUND},
                                   {wma, PluginPair, UPDATES_PER_ROUND},
                                   {host, PluginPair, UPDATES_PER_ROUND, STANDIN_METADATA_BOTH}};
    const char *const names[] = {"ID3v1", "ID3v2.4 with a 1 MiB picture first", "FLAC",
                                 "M4A, moov after a 4 MiB mdat", "Opus, a 1 MiB picture before the title", "WMA",
                                 "the host's own reading (metadata request)"};
    // Each file's status, once, so that no row times a fallback.
    for (size_t i = 0; i < tags.size(); i++) {
        Prepare(tags[i]);
        PluginUpdate(partner);
        StandinClearReceived();
        PluginUpdate(tags[i].entry);
        printf("  %s: %s\n", names[i],
               StandinReceived(0).empty() ? "nothing sent" : StandinDescribe(StandinReceived(0)[0].payload).c_str());
    }
    Measure(tags);
    double highest = 0;
    printf("one update, two messengers, against the ID3v1 update (each pair's other update is an ID3v1 file's, so "
           "a row is twice its pair's ratio less one; target <= 1.25 x each):\n");
    for (size_t i = 0; i < tags.size(); i++) {
        double single = 2 * Median(tags[i].ratios) - 1;
        if (i > 0)
            highest = std::max(highest, single);
        printf("  %-42s %8.2f us a pair: %6.3f x\n", names[i], Median(tags[i].rounds) * 1e6, single);
    }
    printf("highest %.3f x (target <= 1.25 x)\n", highest);

    // Nothing changed since the last update of the playing file: a notice
    // (a title refresh), an event (a track start announced again) and the
    // tick each ask the play state, the playing file's path and title and
    // its time stamp, and read and send nothing.
    std::vector<Contender> idle = {{id3v1, PluginPair, UPDATES_PER_ROUND},
                                   {id3v1, PluginNotice, TICKS_PER_ROUND},
                                   {id3v1, PluginEvent, TICKS_PER_ROUND}};
    PluginUpdate(id3v1);
    StandinClearReceived();
    for (int i = 0; i < 100; i++) {
        PluginNotice();
        PluginEvent();
    }
    size_t sent = StandinReceived(0).size() + StandinReceived(1).size();
    Measure(idle);
    printf("nothing changed, two messengers (statuses sent by 100 notices and 100 events: %u):\n", (unsigned)sent);
    PrintPerUpdate(idle[1], "a notice (a title refresh)", "<= 0.10 x");
    PrintPerUpdate(idle[2], "an event (13003, the track start again)", "<= 0.10 x");
    if (FindTick()) {
        std::vector<Contender> ticks = {{id3v1, PluginPair, UPDATES_PER_ROUND},
                                        {id3v1, Tick, TICKS_PER_ROUND},
                                        {-1, EmptyTick, TICKS_PER_ROUND}};
        Measure(ticks);
        PrintPerUpdate(ticks[1], "the once-a-second tick", "< 0.05 x");
        printf("  a timer that does nothing: %.3f us\n", Median(ticks[2].rounds) * 1e6);
    } else {
        printf("idle tick: the plug-in's timer never fired\n");
    }
    printf("LoadLibraryA to end of init: first %.3f ms, then median %.3f ms\n", firstLoad * 1e3,
           Median(loads) * 1e3);
    printf("%s beside this program: %lu bytes\n", "gen_songbeam.dll", (unsigned long)size);

    StandinQuit();
    StandinUnload();
    return 0;
}
