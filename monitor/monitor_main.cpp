// songbeam-monitor.exe: a window of the messenger's class that lists, decoded,
// every status it receives, so that a user can see what Songbeam! sends with
// or without a messenger running. The plug-in sends to every window of the
// class "MsnMsgrUIManager", so this window receives what a messenger does.
//
//   songbeam-monitor.exe [--print]
//
// With --print each status is also written to standard output as one line,
// at once: `on "Rain - Kora"`, `off`, or `unexpected "<text>"`.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "monitor/status_line.h"

static const wchar_t MESSENGER_CLASS[] = L"MsnMsgrUIManager";
static const wchar_t TITLE[] = L"Songbeam! monitor";
static const ULONG_PTR STATUS_ID = 0x547;
enum { ID_LIST = 100, ID_NOTE = 101, MAX_ROWS = 1000, NOTE_HEIGHT = 36 };

static HWND listView;
static HWND note;
static HANDLE output;  // standard output with --print, else NULL
static bool outputIsConsole;

// ---- standard output ------------------------------------------------------------

// A program of the windows subsystem writes to the handle it inherited (a
// pipe or a file); started from a console, it borrows its parent's console.
static void OpenOutput(void) {
    output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == NULL || output == INVALID_HANDLE_VALUE) {
        output = NULL;
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            output = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                 OPEN_EXISTING, 0, NULL);
            if (output == INVALID_HANDLE_VALUE)
                output = NULL;
        }
    }
    DWORD mode;
    outputIsConsole = output != NULL && GetConsoleMode(output, &mode);
}

// One line, UTF-8 to a pipe or file, UTF-16 to a console. WriteFile keeps no
// buffer of its own, so a reader sees the line at once.
static void PrintLine(const std::string &utf8) {
    if (output == NULL)
        return;
    std::string line = utf8 + "\r\n";
    DWORD written = 0;
    if (outputIsConsole) {
        int units = MultiByteToWideChar(CP_UTF8, 0, line.data(), (int)line.size(), NULL, 0);
        if (units <= 0)
            return;
        std::wstring wide((size_t)units, L' ');
        MultiByteToWideChar(CP_UTF8, 0, line.data(), (int)line.size(), &wide[0], units);
        WriteConsoleW(output, wide.data(), (DWORD)wide.size(), &written, NULL);
    } else {
        WriteFile(output, line.data(), (DWORD)line.size(), &written, NULL);
    }
}

// ---- the list ------------------------------------------------------------------

// A text for the list: code units below U+0020 (the zero unit among them)
// are shown as <U+XXXX>.
static std::wstring Visible(const std::u16string &text) {
    std::wstring out;
    for (char16_t c : text) {
        if (c < 0x20) {
            wchar_t escape[16];
            wsprintfW(escape, L"<U+%04X>", (unsigned)c);
            out += escape;
        } else {
            out += (wchar_t)c;
        }
    }
    return out;
}

static void SetCell(int row, int column, const std::wstring &text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = (LPWSTR)text.c_str();
    SendMessageW(listView, LVM_SETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
}

static void AddRow(const StatusLine &status, ULONG_PTR identifier) {
    int count = (int)SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);
    if (count >= MAX_ROWS) {
        SendMessageW(listView, LVM_DELETEITEM, 0, 0);
        count--;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t time[16];
    wsprintfW(time, L"%02u:%02u:%02u", (unsigned)now.wHour, (unsigned)now.wMinute, (unsigned)now.wSecond);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = count;
    item.pszText = time;
    int row = (int)SendMessageW(listView, LVM_INSERTITEMW, 0, (LPARAM)&item);
    if (row < 0)
        return;
    const wchar_t *kind = status.kind == STATUS_ON ? L"playing" : status.kind == STATUS_OFF ? L"nothing" : L"unexpected";
    SetCell(row, 1, kind);
    SetCell(row, 2, Visible(status.shown));
    std::wstring raw = Visible(status.text);
    if (identifier != STATUS_ID) {
        wchar_t prefix[48];
        wsprintfW(prefix, L"(identifier 0x%lX) ", (unsigned long)identifier);
        raw = prefix + raw;
    }
    SetCell(row, 3, raw);
    SendMessageW(listView, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
}

static void Received(const COPYDATASTRUCT *data) {
    if (data == NULL)
        return;
    StatusLine status = DecodeStatus((const unsigned char *)data->lpData, data->lpData == NULL ? 0 : data->cbData);
    if (data->dwData != STATUS_ID)
        status.kind = STATUS_UNEXPECTED;
    AddRow(status, data->dwData);
    PrintLine(StatusSummary(status));
}

// ---- the window ----------------------------------------------------------------

static void CreateChildren(HWND window) {
    HINSTANCE instance = GetModuleHandleW(NULL);
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    note = CreateWindowExW(0, L"STATIC",
                           L"Every status Songbeam! sends to MSN Messenger is listed here, as the messenger "
                           L"receives it. Play a track in Winamp; keep this window open.",
                           WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window, (HMENU)ID_NOTE, instance, NULL);
    listView = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS, 0, 0, 10,
                               10, window, (HMENU)ID_LIST, instance, NULL);
    SendMessageW(note, WM_SETFONT, (WPARAM)font, FALSE);
    SendMessageW(listView, WM_SETFONT, (WPARAM)font, FALSE);
    SendMessageW(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    static const struct {
        const wchar_t *name;
        int width;
    } COLUMNS[] = {{L"Time", 60}, {L"Status", 70}, {L"Shown as", 190}, {L"Text received", 400}};
    for (int i = 0; i < 4; i++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = (LPWSTR)COLUMNS[i].name;
        column.cx = COLUMNS[i].width;
        column.iSubItem = i;
        SendMessageW(listView, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)&column);
    }
}

static LRESULT CALLBACK MonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateChildren(window);
        return 0;
    case WM_SIZE: {
        int width = LOWORD(lParam), height = HIWORD(lParam);
        MoveWindow(note, 8, 6, width > 16 ? width - 16 : 0, NOTE_HEIGHT - 8, TRUE);
        MoveWindow(listView, 0, NOTE_HEIGHT, width, height > NOTE_HEIGHT ? height - NOTE_HEIGHT : 0, TRUE);
        return 0;
    }
    case WM_COPYDATA:
        Received((const COPYDATASTRUCT *)lParam);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static bool HasArgument(const wchar_t *wanted) {
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    bool found = false;
    for (int i = 1; arguments != NULL && i < count; i++)
        if (lstrcmpW(arguments[i], wanted) == 0)
            found = true;
    if (arguments != NULL)
        LocalFree(arguments);
    return found;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (HasArgument(L"--print"))
        OpenOutput();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = MonitorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hIcon = LoadIcon(NULL, IDI_INFORMATION);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = MESSENGER_CLASS;
    if (!RegisterClassW(&wc))
        return 1;
    HWND window = CreateWindowExW(0, MESSENGER_CLASS, TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 760,
                                  300, NULL, NULL, instance, NULL);
    if (window == NULL)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
