#include "settings/settings.h"

#include <windows.h>

#include "host/host_requests.h"
#include "status/state.h"
#include "track/text_copy.h"

static const char SECTION[] = "Songbeam!";
static const char *const SOURCE_KEYS[SLOT_COUNT] = {"TEXT1", "TEXT2", "TEXT3", "TEXT4"};
static const char *const CUSTOM_KEYS[SLOT_COUNT] = {"CUSTOM1", "CUSTOM2", "CUSTOM3", "CUSTOM4"};

// A stored text longer than this comes back cut to 30 characters.
enum { SETTINGS_READ_SIZE = 31 };

static int ReadInt(const char *key, int current) {
    return (int)GetPrivateProfileIntA(SECTION, key, current, HostLink.iniPath);
}

static void WriteInt(const char *key, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(SECTION, key, text, HostLink.iniPath);
}

void LoadSettings(void) {
    ULONG_PTR answer = (ULONG_PTR)SendHostCommand(0, HOST_SETTINGS_FILE);
    HostLink.iniPath = answer >= 0x10000 ? (const char *)answer : "winamp.ini";

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
