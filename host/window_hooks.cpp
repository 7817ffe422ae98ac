#include "host/window_hooks.h"

#include "host/host_menu.h"
#include "host/host_requests.h"
#include "host/plugin.h"
#include "status/state.h"
#include "status/update.h"

// ---- hooking a window ------------------------------------------------------------

// A window may be a Unicode window: the hook then goes on, and passes every
// message on, with the W functions, so that text sent to the window as
// Unicode reaches its own procedure unchanged.
static WNDPROC CurrentProcedure(const WindowHook *hook) {
    if (hook->unicode)
        return (WNDPROC)GetWindowLongPtrW(hook->window, GWLP_WNDPROC);
    return (WNDPROC)GetWindowLongPtrA(hook->window, GWLP_WNDPROC);
}

static WNDPROC ReplaceProcedure(const WindowHook *hook, WNDPROC procedure) {
    if (hook->unicode)
        return (WNDPROC)SetWindowLongPtrW(hook->window, GWLP_WNDPROC, (LONG_PTR)procedure);
    return (WNDPROC)SetWindowLongPtrA(hook->window, GWLP_WNDPROC, (LONG_PTR)procedure);
}

// While our procedure is still the window's own, the previous one goes back.
// False when another procedure has been put on top of ours since: it will
// keep calling us.
static bool Unhook(WindowHook *hook, WNDPROC ours) {
    if (!hook->hooked)
        return true;
    WNDPROC current = CurrentProcedure(hook);
    if (current == ours)
        ReplaceProcedure(hook, hook->previous);
    else if (current != NULL)
        return false;  // NULL: the window is gone
    hook->hooked = false;
    return true;
}

static void KeepModuleLoaded(void) {
    HMODULE pinned;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)(void *)PlaylistHookProc, &pinned);
}

// The hook is in a window's chain at most once. After a second init, or in a
// module kept loaded after quit, it is still there: the chain stays as it is,
// since taking the hook itself (or a procedure that calls on to it) as the
// previous procedure would send every message round for ever.
static void Hook(WindowHook *hook, HWND window, WNDPROC ours) {
    if (hook->hooked) {
        if (window == hook->window)
            return;
        if (!Unhook(hook, ours)) {
            KeepModuleLoaded();
            return;  // still in another window's chain, under another procedure
        }
    }
    hook->window = window;
    hook->unicode = window != NULL && IsWindowUnicode(window);
    hook->hooked = false;
    WNDPROC previous = ReplaceProcedure(hook, ours);
    if (previous == NULL || previous == ours)
        return;  // no window, or it cannot be hooked
    hook->previous = previous;
    hook->hooked = true;
}

// Every message goes on, the one that took the hook off included; the
// previous procedure is kept for that.
static LRESULT PassOn(const WindowHook *hook, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hook->unicode)
        return CallWindowProcW(hook->previous, window, message, wParam, lParam);
    return CallWindowProcA(hook->previous, window, message, wParam, lParam);
}

void HookHostWindows(void) {
    Hook(&HostLink.playlist, (HWND)SendHostCommand(1, HOST_PLAYLIST_WINDOW), PlaylistHookProc);
    Hook(&HostLink.main, PluginRecord.parentWindow, MainWindowHookProc);
}

void ReleaseHostWindows(void) {
    bool pin = !Unhook(&HostLink.playlist, PlaylistHookProc);
    if (HostLink.main.hooked) {
        WNDPROC current = CurrentProcedure(&HostLink.main);
        pin = pin || (current != MainWindowHookProc && current != NULL);
    }
    if (pin)
        KeepModuleLoaded();
}

void UnhookHostWindows(void) {
    Unhook(&HostLink.playlist, PlaylistHookProc);
    Unhook(&HostLink.main, MainWindowHookProc);
}

// ---- the playlist editor ---------------------------------------------------------

// The host sends its notice (666) at a track start and a stop (the index
// alone), and after every refresh of the current entry's title (bit 30 set):
// up to ten times a second while a decoder reports its bit rate, and while
// stopped too. Each asks for a check, which sends nothing when nothing
// changed. It runs before the host's own procedure sees the notice.
LRESULT CALLBACK PlaylistHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && wParam == PLAYLIST_NOTIFY_CODE)
        CheckStatus(CHECK_NOTICE);
    else if (message == WM_DESTROY)
        Unhook(&HostLink.playlist, PlaylistHookProc);
    return PassOn(&HostLink.playlist, window, message, wParam, lParam);
}

// ---- the main window ---------------------------------------------------------------

// The host tells its main window of a track start (3003, then 13003, with
// the host already playing), of every stop (3043, also at each track change,
// before the next track's start), and posts 603 after a change of play
// state, a pause and an unpause: each asks for a check at once. A stop alone
// is confirmed by the check after it (the posted 603 comes once the whole
// change is done), or at once at the end of the list.
static void HostEvent(WPARAM wParam, LPARAM lParam) {
    switch (lParam) {
    case HOST_EVENT_TRACK_STARTED:
    case HOST_EVENT_TRACK_STARTED_W:
        CheckStatus(CHECK_EVENT);
        break;
    case HOST_EVENT_STOPPED: {
        const int *stop = (const int *)wParam;
        if (IsReadable(stop, 2 * sizeof(int)) && stop[1] == STOPPED_AT_LIST_END)
            CheckStatus(CHECK_EVENT);
        break;
    }
    case HOST_EVENT_PLAY_STATE:
        if (wParam == PLAY_STATE_CHANGED || wParam == PAUSED || wParam == UNPAUSED)
            CheckStatus(CHECK_EVENT);
        break;
    case HOST_PLAY_TRACKING:
        if (wParam == 0 || wParam == 1) {
            HostLink.trackingOff = wParam == 0;
            if (wParam == 1)
                CheckStatus(CHECK_EVENT);
        }
        break;
    default:
        break;
    }
}

// Our procedure comes off where it is still the window's own, before the
// window goes (WM_DESTROY) or the session ends (quit comes inside
// WM_ENDSESSION), so that quit need not touch the window.
LRESULT CALLBACK MainWindowHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER)
        HostEvent(wParam, lParam);
    else if (IsMenuCommand(message, wParam))
        SwitchPublishing();
    else if (message == WM_DESTROY || (message == WM_ENDSESSION && wParam != FALSE))
        Unhook(&HostLink.main, MainWindowHookProc);
    return PassOn(&HostLink.main, window, message, wParam, lParam);
}
