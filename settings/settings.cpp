#include "settings/settings.h"

#include <windows.h>

#include "host/host_requests.h"
#include "status/state.h"
#include "track/text_copy.h"

static const char SECTION[] = "Songbeam!";
static const char *const SOURCE_KEYS[SLOT_COUNT] = {"TEXT1", "TEXT2", "TEXT3", "TEXT4"};
static const char *const CUSTOM_KEYS[SLOT_COUNT] = {"CUSTOM1", "CUSTOM2", "CUSTOM3", "CUSTOM4"};

// A custom text comes back whole: up to 31 characters, as the dialog takes
// them; a longer value written by hand comes back as its first 31.
enum { SETTINGS_READ_SIZE = TEXT_SIZE };

static int ReadInt(const char *key, int current) {
    return (int)GetPrivateProfileIntA(SECTION, key, current, HostLink.iniPath);
}

static void WriteInt(const char *key, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(SECTION, key, text, HostLink.iniPath);
}

void LoadSettings(void) {
    const char *hostPath = HostText(0, HOST_SETTINGS_FILE);
    HostLink.iniPath = hostPath != NULL ? hostPath : "winamp.ini";

    StatusSettings.enabled = ReadInt("ENABLE", StatusSettings.enabled);
    for (int k = 0; k < SLOT_COUNT; k++)
        StatusSettings.slotSource[k] = ReadInt(SOURCE_KEYS[k], StatusSettings.slotSource[k]);
    for (int k = 0; k < SLOT_COUNT; k++) {
        // The current text is the default; it is copied first because the
        // field is also where the answer goes.
        char current[TEXT_SIZE];
        CopyText(current, sizeof current, StatusSettings.customText[k], TEXT_SIZE - 1);
        GetPrivateProfileStringA(SECTION, CUSTOM_KEYS[k], current, StatusSettings.customText[k],
                                 SETTINGS_READ_SIZE, HostLink.iniPath);
    }
}

void SaveSettings(void) {
    WriteInt("ENABLE", StatusSettings.enabled);
    for (int k = 0; k < SLOT_COUNT; k++)
        WriteInt(SOURCE_KEYS[k], StatusSettings.slotSource[k]);
    for (int k = 0; k < SLOT_COUNT; k++)
        WritePrivateProfileStringA(SECTION, CUSTOM_KEYS[k], StatusSettings.customText[k], HostLink.iniPath);
}
