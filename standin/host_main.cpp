// The demo: plays the host for gen_songbeam.dll on a small generated
// playlist, as the host plays it (each track started in the host's order),
// with one messenger in this process and one in a process of its own, and
// prints what each messenger received for every track and the line a
// messenger shows for it. A new status goes out at most every two seconds,
// so the demo waits for each. The last entry is an internet radio stream:
// one entry (a URL) whose title changes with every song, as a stream's host
// does. Then the player pauses and plays on, and the switch in the host's
// menu turns publishing off and on.
//
//   songbeam-host.exe [--dialog]
//
// With --dialog (and a display) the configuration dialog opens once before
// the playlist plays, as when the user picks "Configure" in the player.
#include <stdio.h>

#include "monitor/status_line.h"
#include "standin/standin.h"

struct DemoTrack {
    const char *file;
    bool tagged;
    const char *title;   // tag title, or the playlist title for an untagged file
    const char *artist;  // tag fields, for a tagged file
    const char *album;
};

// An ID3v1 tag is written here; the last track is a file of the test corpus
// (beside this program), tagged with ID3v2.4 in UTF-8 by mutagen.
static const DemoTrack TRACKS[] = {
    {"01 rain.mp3", true, "Rain", "Kora", "Blue Hours"},
    {"02 harbour.mp3", false, "The Quiet Ones - Harbour Lights - Night Ferry", "", ""},
    {"03 cafe.mp3", true, "Caf\xE9 Noir", "Mara Lind", "100% Dusk"},
    {"04 ostinato.mp3", false, "Ostinato", "", ""},
};
static const char CORPUS_TRACK[] = "v24-utf8-nonlatin-emoji-mid3v2.mp3";

// The stream and the titles its host gives it, song after song (UTF-8).
static const char STREAM_URL[] = "http://radio.example/lumen";
static const char *const STREAM_TITLES[] = {
    "Radio Lumen - Harbour Lights",
    "Radio Lumen - \xE5\xA4\x9C\xE3\x81\xAE\xE6\xB5\xB7 \xE2\x9A\x93",
    "Radio Lumen - \xD0\x9D\xD0\xBE\xD1\x87\xD0\xBD\xD0\xBE\xD0\xB9 \xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBC",
};

// Lets the host's thread run (the plug-in's timer among its messages) for
// `ms` milliseconds, or until `done` says so.
template <typename Done>
static void RunHost(DWORD ms, Done done) {
    MSG msg;
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms && !done();) {
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
}

static void PrintReceived(const char *who, const std::vector<StandinCopyData> &received, size_t from) {
    for (size_t i = from; i < received.size(); i++) {
        const std::string &payload = received[i].payload;
        StatusLine status = DecodeStatus((const unsigned char *)payload.data(), payload.size());
        if (status.kind == STATUS_ON)
            printf("  %s: %s\n    shown as \"%s\"\n", who, StandinDescribe(payload).c_str(),
                   StatusPrintable(status.shown).c_str());
        else
            printf("  %s: %s\n", who, StandinDescribe(payload).c_str());
    }
}

int main(int argc, char **argv) {
    bool dialog = argc > 1 && lstrcmpA(argv[1], "--dialog") == 0;
    setvbuf(stdout, NULL, _IONBF, 0);

    std::string folder = StandinTempFolder("demo");
    std::string ini = folder + "\\winamp.ini";
    DeleteFileA(ini.c_str());

    StandinStart();
    StandinSetSettingsPath(ini);
    for (const DemoTrack &track : TRACKS) {
        std::string path = folder + "\\" + track.file;
        std::string audio(4096, '\x55');
        if (track.tagged)
            audio += StandinTag(track.title, track.artist, track.album);
        StandinWriteFile(path, audio);
        StandinAddEntry(path, track.tagged ? std::string(track.file) : std::string(track.title));
    }
    std::string program = StandinPluginPath();
    StandinAddEntry(program.substr(0, program.find_last_of('\\')) + "\\corpus\\" + CORPUS_TRACK, CORPUS_TRACK);
    const int trackCount = (int)(sizeof TRACKS / sizeof TRACKS[0]) + 1;
    const int stream = StandinAddEntryW(StandinFromUtf8(STREAM_URL), StandinFromUtf8(STREAM_TITLES[0]));

    int local = StandinAddMessenger();
    StandinRemote remote = {};
    bool haveRemote = StandinSpawnMessenger(folder + "\\messenger2.log", false, &remote);
    printf("messenger 1: in the host's process\n");
    printf("messenger 2: %s\n", haveRemote ? "in a process of its own" : "could not be started");

    StandinPluginRecord *record = StandinLoad();
    if (record == NULL) {
        printf("could not load %s\n", StandinPluginPath().c_str());
        return 1;
    }
    printf("loaded \"%s\" (record version 0x%X)\n", record->description, record->version);
    printf("init -> %d\n", StandinInit());
    if (dialog) {
        printf("config: the dialog is open; close it to go on\n");
        StandinConfig();
    }

    size_t seenLocal = 0, seenRemote = 0;
    auto show = [&]() {
        PrintReceived("messenger 1", StandinReceived(local), seenLocal);
        seenLocal = StandinReceived(local).size();
        if (haveRemote) {
            std::vector<StandinCopyData> received = StandinRemoteReceived(remote);
            PrintReceived("messenger 2", received, seenRemote);
            seenRemote = received.size();
        }
    };
    // Each track's status, as soon as it has gone out.
    auto next = [&](DWORD ms) {
        size_t before = StandinReceived(local).size();
        RunHost(ms, [&] { return StandinReceived(local).size() > before; });
        show();
    };
    for (int i = 0; i < trackCount; i++) {
        if (i == trackCount - 1)
            printf("track %d: %s (ID3v2.4 tag, UTF-8)\n", i + 1, CORPUS_TRACK);
        else if (TRACKS[i].tagged)
            printf("track %d: %s (ID3v1 tag)\n", i + 1, TRACKS[i].file);
        else
            printf("track %d: %s (no tag; playlist title \"%s\")\n", i + 1, TRACKS[i].file, TRACKS[i].title);
        StandinPlay(i);
        next(2500);
    }
    printf("track %d: %s (a stream; playlist title \"%s\")\n", stream + 1, STREAM_URL, STREAM_TITLES[0]);
    StandinPlay(stream);
    next(2500);
    for (size_t i = 1; i < sizeof STREAM_TITLES / sizeof STREAM_TITLES[0]; i++) {
        // Published once the new title has stood for a second.
        printf("the stream's title becomes \"%s\"\n", STREAM_TITLES[i]);
        StandinRefreshTitle(STREAM_TITLES[i]);
        next(3500);
    }
    printf("the player pauses\n");
    StandinPause();
    next(2500);
    printf("the player plays on\n");
    StandinUnpause();
    next(2500);
    UINT command = 0;
    HMENU menu = StandinMainMenu();
    for (int i = 0; i < GetMenuItemCount(menu) && command == 0; i++) {
        char text[64] = "";
        GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
        if (lstrcmpA(text, "Show what I'm listening to") == 0) {
            command = GetMenuItemID(menu, i);
            printf("the host's menu: \"%s\" at position %d, %s\n", text, i,
                   GetMenuState(menu, (UINT)i, MF_BYPOSITION) & MF_CHECKED ? "checked" : "not checked");
        }
    }
    for (const char *state : {"off", "on"}) {
        printf("the menu's \"Show what I'm listening to\" is clicked: publishing %s\n", state);
        StandinMenuCommand(command);
        show();
    }

    printf("quit\n");
    StandinQuit();
    show();
    StandinUnload();
    StandinStopMessenger(&remote);

    printf("settings file: %s\n", ini.c_str());
    // The file has CRLF line ends; the console adds its own CR to each LF.
    std::string saved = StandinReadFile(ini);
    for (char c : saved)
        if (c != '\r')
            putchar(c);
    return 0;
}
