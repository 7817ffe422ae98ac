#include "status/state.h"

// The initial settings, once as the values the records hold at load and
// once as the texts that RestoreInitialSettings copies back.
#define INITIAL_TEXTS {L">> Esta es pa ti", L"I (L) YOU", L"<< para ti..", L"dedicada a ..."}
#define INITIAL_SOURCES {SOURCE_SONG, SOURCE_ARTIST, SOURCE_NONE, SOURCE_NONE}

StatusSettingsRecord StatusSettings = {1, INITIAL_SOURCES, INITIAL_TEXTS};

TrackFieldsRecord TrackFields;

HostLinkRecord HostLink;

void RestoreInitialSettings(void) {
    static const WCHAR *const texts[SLOT_COUNT] = INITIAL_TEXTS;
    static const int sources[SLOT_COUNT] = INITIAL_SOURCES;
    StatusSettings.enabled = 1;
    for (int k = 0; k < SLOT_COUNT; k++) {
        StatusSettings.slotSource[k] = sources[k];
        lstrcpynW(StatusSettings.customText[k], texts[k], FIELD_UNITS);
    }
}
