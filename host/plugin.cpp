#include "host/plugin.h"

#include "dialog/config_dialog.h"
#include "host/host_menu.h"
#include "host/window_hooks.h"
#include "settings/settings.h"
#include "status/broadcast.h"
#include "status/pacing.h"
#include "status/state.h"
#include "status/update.h"
#include "status/watch.h"

PluginRecordType PluginRecord = {
    PLUGIN_RECORD_VERSION, "Songbeam! v0.1", PluginInit, PluginConfig, PluginQuit, NULL, NULL,
};

extern "C" __declspec(dllexport) PluginRecordType *winampGetGeneralPurposePlugin(void) {
    return &PluginRecord;
}

// A host that unloads the library (the host itself never does) would leave
// the windows and the timers calling into freed code: the timers and the
// window watch stop, and every hook that is still its window's own procedure
// comes off. Nothing is done when the process itself ends.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        StopWatching();
        StopPacing();
        UnhookHostWindows();
        ForgetBroadcast();
    }
    return TRUE;
}

// The host loads its general plug-ins before anything plays: nothing is
// published until a track plays.
int PluginInit(void) {
    // A module kept loaded after quit starts from the same settings as a
    // fresh load would.
    if (HostLink.session == SESSION_ENDED) {
        RestoreInitialSettings();
        ForgetLastCheck();
    }
    LoadSettings();
    HostLink.session = SESSION_RUNNING;
    HostLink.metadataKnown = false;
    HostLink.trackingOff = false;
    HookHostWindows();
    AddMenuItem();
    StartWatching();
    return 0;
}

// The host's preferences stay usable while the dialog is open, so Configure
// can be pressed again: the open dialog comes to the front, and no second
// one opens (the one closed last would overwrite the other's changes).
void PluginConfig(void) {
    if (BringDialogToFront())
        return;
    // Before init no settings file has been chosen: the settings are read as
    // init reads them, so the dialog shows them and saves into that file.
    if (HostLink.iniPath == NULL && HostLink.iniPathW == NULL)
        LoadSettings();
    RunConfigDialog();
}

// Only a running plug-in quits: a second quit would save every source as
// unused, and one before init has no settings file to save into. No tick
// runs from quit on. The save comes first, so the file keeps the sources in
// force; the slots are out of use before the off status goes out, so a
// check that a messenger sets off while it handles that status finds
// nothing to publish. At quit the host's main window and menu are gone, or
// about to go (at the end of a Windows session quit comes inside
// WM_ENDSESSION): neither is touched.
void PluginQuit(void) {
    if (HostLink.session != SESSION_RUNNING)
        return;
    HostLink.session = SESSION_ENDED;
    StopWatching();
    SaveSettings();
    for (int k = 0; k < SLOT_COUNT; k++)
        StatusSettings.slotSource[k] = SOURCE_NONE;
    ClearStatus();
    ReleaseHostWindows();
    ForgetMenuItem();
    ForgetBroadcast();
}
