#include "host/host_requests.h"

#include "host/plugin.h"
#include "status/state.h"

enum { PLAY_STATE_PLAYING = 1, LOWEST_POINTER = 0x10000 };

LRESULT SendHostCommand(WPARAM wParam, LPARAM command) {
    return SendMessageA(PluginRecord.parentWindow, WM_USER, wParam, command);
}

const char *HostText(WPARAM wParam, LPARAM command) {
    ULONG_PTR answer = (ULONG_PTR)SendHostCommand(wParam, command);
    return answer >= LOWEST_POINTER ? (const char *)answer : NULL;
}

const WCHAR *HostWideText(WPARAM wParam, LPARAM command) {
    return (const WCHAR *)HostText(wParam, command);
}

bool HostIsPlaying(void) {
    bool playing = SendHostCommand(0, HOST_PLAY_STATE) == PLAY_STATE_PLAYING;
    if (playing)
        HostLink.playStateKnown = true;
    HostLink.playing = playing || !HostLink.playStateKnown;
    return HostLink.playing;
}
