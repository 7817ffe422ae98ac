#include "host/host_requests.h"
#include "status/state.h"
#include "track/ansi_text.h"
#include "track/readers.h"

// The host's request record, as its input plug-ins answer it: the file, the
// name of what is asked, and the plug-in's buffer with its size in units,
// terminator included. Unicode (wchar_t) and narrow (char).
template <typename Unit>
struct MetadataRequest {
    const Unit *filename;
    const Unit *metadata;
    Unit *ret;
    size_t retlen;
};

enum {
    METADATA_ANSWERED = 1,
    // The host's text is taken up to this many units; a field keeps 127.
    ANSWER_UNITS = 2 * FIELD_UNITS,
};

static const wchar_t *const WIDE_NAMES[TRACK_FIELDS] = {L"title", L"artist", L"album"};
static const char *const NARROW_NAMES[TRACK_FIELDS] = {"title", "artist", "album"};

static void AppendAnswer(FieldWriter *writer, const wchar_t *answer) {
    AppendUnits(writer, answer, UnitLength(answer, ANSWER_UNITS));
}

static void AppendAnswer(FieldWriter *writer, const char *answer) {
    AppendAnsi(writer, answer, lstrlenA(answer));
}

// The host answers for the file as a whole: when it cannot read the file
// (or does not know the request), it says so for the title already. The
// host may fill a buffer to its last unit: each is ended here. Each answer
// is cut as every field is, its trailing spaces dropped.
template <typename Unit>
static bool AskHostMetadata(LPARAM command, const Unit *path, const Unit *const names[], TrackText *text) {
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    for (int f = 0; f < TRACK_FIELDS; f++) {
        Unit answer[ANSWER_UNITS];
        answer[0] = 0;
        MetadataRequest<Unit> request = {path, names[f], answer, ANSWER_UNITS};
        if (SendHostCommand((WPARAM)&request, command) != METADATA_ANSWERED) {
            if (f == 0)
                return false;
            continue;
        }
        answer[ANSWER_UNITS - 1] = 0;
        TextUnit value[FIELD_UNITS];
        FieldWriter writer;
        StartField(&writer, value);
        AppendAnswer(&writer, answer);
        AppendValue(&writers[f], value);
    }
    return true;
}

bool AskHostMetadataW(const WCHAR *path, TrackText *text) {
    if (!AskHostMetadata(HOST_FILE_METADATA_W, path, WIDE_NAMES, text))
        return false;
    HostLink.metadataKnown = true;
    return true;
}

bool AskHostMetadataA(const char *path, TrackText *text) {
    return AskHostMetadata(HOST_FILE_METADATA, path, NARROW_NAMES, text);
}
