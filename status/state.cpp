#include "status/state.h"

StatusSettingsRecord StatusSettings = {
    1,
    {SOURCE_SONG, SOURCE_ARTIST, SOURCE_NONE, SOURCE_NONE},
    {">> Esta es pa ti", "I (L) YOU", "<< para ti..", "dedicada a ..."},
};

TrackFieldsRecord TrackFields;

HostLinkRecord HostLink;
