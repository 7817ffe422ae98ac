// A stand-in messenger in a process of its own: one window of class
// "MsnMsgrUIManager" titled "songbeam messenger <process id>", which appends
// every WM_COPYDATA record it receives to the log file named on the command
// line: identifier (4 bytes), byte count (4 bytes), then the bytes. With the
// word "hung" after the log file it never handles a message.
#include <windows.h>

static HANDLE logFile;

static LRESULT CALLBACK MessengerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        DWORD header[2] = {(DWORD)data->dwData, data->cbData};
        DWORD written;
        WriteFile(logFile, header, sizeof header, &written, NULL);
        if (data->cbData > 0 && data->lpData != NULL)
            WriteFile(logFile, data->lpData, data->cbData, &written, NULL);
        return TRUE;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char **argv) {
    if (argc < 2)
        return 2;
    logFile = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, NULL);
    if (logFile == INVALID_HANDLE_VALUE)
        return 3;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MessengerProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "MsnMsgrUIManager";
    RegisterClassA(&wc);
    char title[64];
    wsprintfA(title, "songbeam messenger %lu", GetCurrentProcessId());
    HWND window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                                  wc.hInstance, NULL);
    if (window == NULL)
        return 4;
    if (argc > 2 && lstrcmpA(argv[2], "hung") == 0) {
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
