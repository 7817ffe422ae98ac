#include "status/state.h"

static constexpr StatusSettingsRecord INITIAL_SETTINGS = {
    1,
    {SOURCE_SONG, SOURCE_ARTIST, SOURCE_NONE, SOURCE_NONE},
    {">> Esta es pa ti", "I (L) YOU", "<< para ti..", "dedicada a ..."},
};

StatusSettingsRecord StatusSettings = INITIAL_SETTINGS;

TrackFieldsRecord TrackFields;

HostLinkRecord HostLink;

void RestoreInitialSettings(void) {
    StatusSettings = INITIAL_SETTINGS;
}
