#include "host/plugin.h"

#include "dialog/config_dialog.h"
#include "host/host_requests.h"
#include "settings/settings.h"
#include "status/broadcast.h"
#include "status/state.h"
#include "status/update.h"
#include "status/watch.h"

PluginRecordType PluginRecord = {
    PLUGIN_RECORD_VERSION, "Songbeam! v0.1", PluginInit, PluginConfig, PluginQuit, NULL, NULL,
};

extern "C" __declspec(dllexport) PluginRecordType *winampGetGeneralPurposePlugin(void) {
    return &PluginRecord;
}

// The playlist window may be a Unicode window: the hook then goes on, and
// passes every message on, with the W functions, so that text sent to the
// window as Unicode reaches its own procedure unchanged.
static WNDPROC PlaylistProcedure(void) {
    if (HostLink.playlistUnicode)
        return (WNDPROC)GetWindowLongPtrW(HostLink.playlistWindow, GWLP_WNDPROC);
    return (WNDPROC)GetWindowLongPtrA(HostLink.playlistWindow, GWLP_WNDPROC);
}

static WNDPROC ReplacePlaylistProcedure(WNDPROC procedure) {
    if (HostLink.playlistUnicode)
        return (WNDPROC)SetWindowLongPtrW(HostLink.playlistWindow, GWLP_WNDPROC, (LONG_PTR)procedure);
    return (WNDPROC)SetWindowLongPtrA(HostLink.playlistWindow, GWLP_WNDPROC, (LONG_PTR)procedure);
}

// The host unloads the library after quit, so no message may reach the hook
// afterwards. While our procedure is still the window's own, the previous one
// goes back. When another procedure has been put on top of ours since, it
// will keep calling us, so the module stays loaded for the life of the
// process and the hook keeps passing every message on.
static bool UnhookPlaylistWindow(void) {
    if (!HostLink.hooked)
        return true;
    WNDPROC current = PlaylistProcedure();
    if (current == PlaylistHookProc)
        ReplacePlaylistProcedure(HostLink.previousPlaylistProc);
    else if (current != NULL)
        return false;  // another procedure sits on top; NULL: the window is gone
    HostLink.hooked = false;
    return true;
}

static void ReleasePlaylistWindow(void) {
    if (UnhookPlaylistWindow())
        return;
    HMODULE pinned;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)(void *)PlaylistHookProc, &pinned);
}

// A host that unloads the library without quit would leave the window and
// the timer calling into freed code: the timer and the window watch stop,
// and while the hook is still the window's own procedure, the previous one
// goes back. Nothing is done when the process itself ends.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        StopWatching();
        UnhookPlaylistWindow();
        ForgetBroadcast();
    }
    return TRUE;
}

// The hook is in a window's chain at most once. After a second init, or in a
// module kept loaded after quit, it is still there: the chain stays as it is,
// since taking the hook itself (or a procedure that calls on to it) as the
// previous procedure would send every message round for ever.
static void HookPlaylistWindow(HWND window) {
    if (HostLink.hooked) {
        if (window == HostLink.playlistWindow)
            return;
        ReleasePlaylistWindow();
        if (HostLink.hooked)
            return;
    }
    HostLink.playlistWindow = window;
    HostLink.playlistUnicode = window != NULL && IsWindowUnicode(window);
    WNDPROC previous = ReplacePlaylistProcedure(PlaylistHookProc);
    if (previous == NULL || previous == PlaylistHookProc)
        return;  // no window, or it cannot be hooked
    HostLink.previousPlaylistProc = previous;
    HostLink.hooked = true;
}

int PluginInit(void) {
    // A module kept loaded after quit starts from the same settings as a
    // fresh load would.
    if (HostLink.session == SESSION_ENDED)
        RestoreInitialSettings();
    LoadSettings();
    HostLink.session = SESSION_RUNNING;
    HostLink.metadataKnown = false;
    HookPlaylistWindow((HWND)SendHostCommand(1, HOST_PLAYLIST_WINDOW));
    StartWatching();
    return 0;
}

void PluginConfig(void) {
    // Before init no settings file has been chosen: the settings are read as
    // init reads them, so the dialog shows them and saves into that file.
    if (HostLink.iniPath == NULL && HostLink.iniPathW == NULL)
        LoadSettings();
    RunConfigDialog();
}

// Only a running plug-in quits: a second quit would save every source as
// unused, and one before init has no settings file to save into. No tick
// runs from quit on. The save comes first, so the file keeps the sources in
// force; the slots are out of use before the off status goes out, so an
// update that a messenger sets off while it handles that status sends the
// off status too.
void PluginQuit(void) {
    if (HostLink.session != SESSION_RUNNING)
        return;
    HostLink.session = SESSION_ENDED;
    StopWatching();
    SaveSettings();
    for (int k = 0; k < SLOT_COUNT; k++)
        StatusSettings.slotSource[k] = SOURCE_NONE;
    ClearStatus();
    ReleasePlaylistWindow();
    ForgetBroadcast();
}

LRESULT CALLBACK PlaylistHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && wParam == PLAYLIST_NOTIFY_CODE && (lParam & 0x40000000) != 0)
        UpdateStatus();
    if (HostLink.playlistUnicode)
        return CallWindowProcW(HostLink.previousPlaylistProc, window, message, wParam, lParam);
    return CallWindowProcA(HostLink.previousPlaylistProc, window, message, wParam, lParam);
}
