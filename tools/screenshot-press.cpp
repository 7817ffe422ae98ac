// Drives a program's windows for tools/screenshot-release.sh, as a person
// would with the mouse and keyboard. No window manager runs under Xvfb, so
// keys cannot be aimed at a window; this sends the windows the messages a
// click or a typed text would give. CAPTION is the start of the window's
// caption (an installer adds the page's name to its own). Exits 0 when done, 1 when the window or
// control was not found within 20 seconds.
//
//   screenshot-press.exe wait  CAPTION TEXT     a window CAPTION shows TEXT somewhere
//   screenshot-press.exe set   CAPTION ID TEXT  control ID gets TEXT
//   screenshot-press.exe click CAPTION ID       button ID of a window CAPTION is clicked
//   screenshot-press.exe close CAPTION          the window CAPTION is asked to close
#include <windows.h>

#include <stdlib.h>
#include <string.h>

struct Search {
    const char *caption;
    const char *text;  // wanted in a control's text, or NULL
    int id;            // wanted control, or 0
    HWND window;
    HWND control;
};

static BOOL CALLBACK FindControl(HWND child, LPARAM param) {
    Search *search = (Search *)param;
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    bool match = search->text != NULL ? strstr(text, search->text) != NULL
                                      : GetDlgCtrlID(child) == search->id && IsWindowVisible(child);
    if (!match)
        return TRUE;
    search->control = child;
    return FALSE;
}

static BOOL CALLBACK FindWindowWith(HWND window, LPARAM param) {
    Search *search = (Search *)param;
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (!IsWindowVisible(window) || strncmp(caption, search->caption, strlen(search->caption)) != 0)
        return TRUE;
    if (search->text == NULL && search->id == 0) {
        search->window = window;
        return FALSE;
    }
    EnumChildWindows(window, FindControl, param);
    if (search->control == NULL)
        return TRUE;
    search->window = window;
    return FALSE;
}

static bool Find(Search *search) {
    for (int waited = 0; waited < 20000; waited += 100) {
        search->window = NULL;
        search->control = NULL;
        EnumWindows(FindWindowWith, (LPARAM)search);
        if (search->window != NULL)
            return true;
        Sleep(100);
    }
    return false;
}

int main(int argc, char **argv) {
    if (argc < 3)
        return 2;
    const char *verb = argv[1];
    Search search = {argv[2], NULL, 0, NULL, NULL};
    if (lstrcmpA(verb, "wait") == 0 && argc == 4) {
        search.text = argv[3];
        return Find(&search) ? 0 : 1;
    }
    if (lstrcmpA(verb, "close") == 0) {
        if (!Find(&search))
            return 1;
        PostMessageA(search.window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (argc < 4)
        return 2;
    search.id = atoi(argv[3]);
    if (!Find(&search))
        return 1;
    if (lstrcmpA(verb, "set") == 0 && argc == 5) {
        SendMessageA(search.control, WM_SETTEXT, 0, (LPARAM)argv[4]);
        return 0;
    }
    if (lstrcmpA(verb, "click") == 0) {
        // What a click on the button sends its dialog; posted, so that a
        // message box it opens does not hold this program.
        PostMessageA(GetParent(search.control), WM_COMMAND, MAKEWPARAM(search.id, BN_CLICKED),
                     (LPARAM)search.control);
        return 0;
    }
    return 2;
}
