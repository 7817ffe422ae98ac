#include "host/plugin.h"

#include "dialog/config_dialog.h"
#include "host/host_requests.h"
#include "settings/settings.h"
#include "status/state.h"
#include "status/update.h"

PluginRecordType PluginRecord = {
    PLUGIN_RECORD_VERSION, "Songbeam! v0.1", PluginInit, PluginConfig, PluginQuit, NULL, NULL,
};

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

extern "C" __declspec(dllexport) PluginRecordType *winampGetGeneralPurposePlugin(void) {
    return &PluginRecord;
}

int PluginInit(void) {
    LoadSettings();
    HostLink.playlistWindow = (HWND)SendHostCommand(1, HOST_PLAYLIST_WINDOW);
    HostLink.previousPlaylistProc =
        (WNDPROC)SetWindowLongPtrA(HostLink.playlistWindow, GWLP_WNDPROC, (LONG_PTR)PlaylistHookProc);
    return 0;
}

void PluginConfig(void) {
    RunConfigDialog();
}

// The host unloads the library after quit, so no message may reach the hook
// afterwards. While our procedure is still the window's own, the previous one
// goes back. When another procedure has been put on top of ours since, it
// will keep calling us, so the module stays loaded for the life of the
// process and the hook keeps passing every message on.
static void ReleasePlaylistWindow(void) {
    if (HostLink.previousPlaylistProc == NULL)
        return;
    WNDPROC current = (WNDPROC)GetWindowLongPtrA(HostLink.playlistWindow, GWLP_WNDPROC);
    if (current == PlaylistHookProc) {
        SetWindowLongPtrA(HostLink.playlistWindow, GWLP_WNDPROC, (LONG_PTR)HostLink.previousPlaylistProc);
        return;
    }
    if (current == NULL)
        return;  // the window is gone
    HMODULE pinned;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)(void *)PlaylistHookProc, &pinned);
}

void PluginQuit(void) {
    SaveSettings();
    ClearStatus();
    for (int k = 0; k < SLOT_COUNT; k++)
        StatusSettings.slotSource[k] = SOURCE_NONE;
    ReleasePlaylistWindow();
}

LRESULT CALLBACK PlaylistHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && wParam == PLAYLIST_NOTIFY_CODE && (lParam & 0x40000000) != 0)
        UpdateStatus();
    return CallWindowProcA(HostLink.previousPlaylistProc, window, message, wParam, lParam);
}
