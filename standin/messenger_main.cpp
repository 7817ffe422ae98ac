// A stand-in messenger in a process of its own: windows of class
// "MsnMsgrUIManager", the last one titled "songbeam messenger <process id>",
// which append every WM_COPYDATA record they receive to the log file named
// on the command line: identifier (4 bytes), byte count (4 bytes), then the
// bytes. Words after the log file switch on behaviours:
//   hung        the windows are created and then no message is ever handled
//   windows=N   N windows in all (default 1), all owned by the one thread
//   call-host   on its first record, the messenger asks the host for the
//               current entry and announces a track change to the host's
//               playlist window, as a messenger that reacts to a status might
//   raise       on every record, the receiving window moves to the top of
//               the window order; lower: to the bottom
#include <windows.h>

#include <stdlib.h>

static HANDLE logFile;
static bool callHost, raise, lower;

static void CallHost(void) {
    HWND host = FindWindowA("SongbeamStandinHost", NULL);
    HWND playlist = FindWindowA("SongbeamStandinPlaylist", NULL);
    DWORD_PTR ignored;
    SendMessageTimeoutA(host, WM_USER, 0, 125, SMTO_NORMAL, 10000, &ignored);
    SendMessageTimeoutA(playlist, WM_USER, 666, 0x40000000, SMTO_NORMAL, 10000, &ignored);
}

static LRESULT CALLBACK MessengerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        DWORD header[2] = {(DWORD)data->dwData, data->cbData};
        DWORD written;
        WriteFile(logFile, header, sizeof header, &written, NULL);
        if (data->cbData > 0 && data->lpData != NULL)
            WriteFile(logFile, data->lpData, data->cbData, &written, NULL);
        if (raise || lower)
            SetWindowPos(window, raise ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (callHost) {
            callHost = false;
            CallHost();
        }
        return TRUE;
    }
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char **argv) {
    if (argc < 2)
        return 2;
    bool hung = false;
    int windows = 1;
    for (int i = 2; i < argc; i++) {
        hung |= lstrcmpA(argv[i], "hung") == 0;
        callHost |= lstrcmpA(argv[i], "call-host") == 0;
        raise |= lstrcmpA(argv[i], "raise") == 0;
        lower |= lstrcmpA(argv[i], "lower") == 0;
        if (strncmp(argv[i], "windows=", 8) == 0)
            windows = atoi(argv[i] + 8);
    }
    logFile = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, NULL);
    if (logFile == INVALID_HANDLE_VALUE)
        return 3;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MessengerProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "MsnMsgrUIManager";
    RegisterClassA(&wc);
    // The titled window comes last: once it can be found, all are there.
    char title[64];
    for (int i = 1; i <= windows; i++) {
        if (i < windows)
            wsprintfA(title, "songbeam messenger %lu, window %d", GetCurrentProcessId(), i);
        else
            wsprintfA(title, "songbeam messenger %lu", GetCurrentProcessId());
        if (CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, wc.hInstance,
                            NULL) == NULL)
            return 4;
    }
    if (hung) {
        for (;;)
            Sleep(INFINITE);
    }
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CloseHandle(logFile);
    return 0;
}
