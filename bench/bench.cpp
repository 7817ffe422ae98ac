// Times the plug-in's update cycle against the same Windows calls made inline.
//
// One update through the plug-in: the host's track-change notification to the
// hooked playlist window, which asks the host for the index and the path,
// reads the file's tag, composes the status text and sends it to every
// messenger. The baseline makes the calls that cannot be avoided, in the same
// process, on the same file and windows: the two host requests (125, 211),
// CreateFileA, SetFilePointer, four ReadFile, CloseHandle, two wsprintfW, and
// FindWindowExA / SendMessageTimeoutA per messenger. Several rounds alternate
// the two; the median round counts. Also: the time from LoadLibraryA to the
// end of init, and the size of the plug-in beside this program.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "standin/standin.h"

namespace {

enum { ROUNDS = 9, UPDATES_PER_ROUND = 1000 };

double Now(void) {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PluginUpdate(void) {
    StandinNotify();
}

// The calls the plug-in makes for one update, without the plug-in.
void BaselineUpdate(void) {
    HWND host = StandinMainWindow();
    int index = (int)SendMessageA(host, WM_USER, 0, 125);
    const char *path = (const char *)SendMessageA(host, WM_USER, (WPARAM)index, 211);
    char work[32], title[32], artist[32], album[32];
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD got;
        SetFilePointer(file, -128, NULL, FILE_END);
        ReadFile(file, work, 3, &got, NULL);
        ReadFile(file, title, 30, &got, NULL);
        ReadFile(file, artist, 30, &got, NULL);
        ReadFile(file, album, 30, &got, NULL);
        CloseHandle(file);
    }
    title[30] = artist[30] = 0;
    WCHAR wideTitle[32], wideArtist[32];
    for (int i = 0; i < 31; i++) {
        wideTitle[i] = (unsigned char)title[i];
        wideArtist[i] = (unsigned char)artist[i];
    }
    WCHAR values[500], text[500];
    wsprintfW(values, L"%s\\0%s\\0%s", wideTitle, wideArtist, L"WMContentID");
    wsprintfW(text, L"\\0Music\\0%d\\0%s\\0%s\\0", 1, L"{0} - {1}", values);
    COPYDATASTRUCT record = {0x547, (DWORD)(2 * (lstrlenW(text) + 1)), text};
    HWND messenger = FindWindowExA(NULL, NULL, "MsnMsgrUIManager", NULL);
    while (messenger != NULL) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(messenger, WM_COPYDATA, 0, (LPARAM)&record, SMTO_NORMAL | SMTO_ABORTIFHUNG, 2000,
                            &ignored);
        messenger = FindWindowExA(NULL, messenger, "MsnMsgrUIManager", NULL);
    }
}

// Seconds per update, one round of `count` updates.
double Round(void (*update)(void), int count) {
    double start = Now();
    for (int i = 0; i < count; i++)
        update();
    double took = Now() - start;
    StandinClearReceived();
    StandinClearPlaylistMessages();
    return took / count;
}

struct Costs {
    double plugin, baseline;
};

Costs Measure(void) {
    Round(PluginUpdate, 200);  // warm-up
    Round(BaselineUpdate, 200);
    std::vector<double> plugin, baseline;
    for (int r = 0; r < ROUNDS; r++) {
        plugin.push_back(Round(PluginUpdate, UPDATES_PER_ROUND));
        baseline.push_back(Round(BaselineUpdate, UPDATES_PER_ROUND));
    }
    return {Median(plugin), Median(baseline)};
}

}  // namespace

int main(void) {
    StandinStart();
    std::string folder = StandinTempFolder("bench");
    std::string ini = folder + "\\settings.ini";
    DeleteFileA(ini.c_str());
    StandinSetSettingsPath(ini);
    std::string track = folder + "\\rain.mp3";
    StandinWriteFile(track, std::string(4000, '\x55') + StandinTag("Rain", "Kora", "Blue"));
    StandinSetCurrent(StandinAddEntry(track, "Kora - Rain"));

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

    HANDLE dll = CreateFileA(StandinPluginPath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD size = GetFileSize(dll, NULL);
    CloseHandle(dll);

    // The status each update sends, checked once.
    StandinAddMessenger();
    StandinClearReceived();
    PluginUpdate();
    std::string pluginText = StandinReceived(0).empty() ? "" : StandinReceived(0)[0].payload;
    StandinClearReceived();
    BaselineUpdate();
    std::string baselineText = StandinReceived(0).empty() ? "" : StandinReceived(0)[0].payload;
    StandinClearReceived();
    printf("status sent: %s (baseline: %s)\n", StandinDescribe(pluginText).c_str(),
           pluginText == baselineText ? "same bytes" : "DIFFERENT bytes");

    printf("%d rounds of %d updates each, median round\n", ROUNDS, UPDATES_PER_ROUND);
    printf("messengers  plug-in (us/update)  baseline (us/update)  ratio\n");
    Costs two = {0, 0};
    double worst = 0;
    int messengers = 1;
    for (int want : {1, 2, 8, 32}) {
        while (messengers < want) {
            StandinAddMessenger();
            messengers++;
        }
        Costs costs = Measure();
        if (want == 2)
            two = costs;
        worst = std::max(worst, costs.plugin / costs.baseline);
        printf("%10d  %19.2f  %20.2f  %5.3f\n", want, costs.plugin * 1e6, costs.baseline * 1e6,
               costs.plugin / costs.baseline);
    }
    printf("update cycle, tagged file, two messengers: plug-in %.2f us, baseline %.2f us, ratio %.3f\n",
           two.plugin * 1e6, two.baseline * 1e6, two.plugin / two.baseline);
    printf("highest ratio %.3f (target <= 1.10 at every count)\n", worst);
    printf("LoadLibraryA to end of init: first %.3f ms, then median %.3f ms\n", firstLoad * 1e3,
           Median(loads) * 1e3);
    printf("%s beside this program: %lu bytes\n", "gen_songbeam.dll", (unsigned long)size);

    StandinQuit();
    StandinUnload();
    return 0;
}
