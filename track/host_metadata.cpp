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

// Each field is asked on its own: the host's decoder answers the fields it
// knows and 0 for the others. An answer counts only when the host wrote into
// the buffer: a host that does not know the request answers 1 and writes
// nothing (the buffer starts with a mark no text has), and is asked no more. The host may fill a
// buffer to its last unit: each is ended here. Each answer is cut as every
// field is, its trailing spaces dropped. `wrote` tells whether the host wrote
// any field, with text or empty.
template <typename Unit>
static bool AskHostMetadata(LPARAM command, const Unit *path, const Unit *const names[], TrackText *text,
                            bool *wrote) {
    static const Unit UNWRITTEN[2] = {(Unit)0xFFFF, (Unit)0xFFFE};
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    *wrote = false;
    for (int f = 0; f < TRACK_FIELDS; f++) {
        Unit answer[ANSWER_UNITS];
        answer[0] = UNWRITTEN[0];
        answer[1] = UNWRITTEN[1];
        answer[2] = 0;
        MetadataRequest<Unit> request = {path, names[f], answer, ANSWER_UNITS};
        bool answered = SendHostCommand((WPARAM)&request, command) == METADATA_ANSWERED;
        bool written = !(answer[0] == UNWRITTEN[0] && answer[1] == UNWRITTEN[1] && answer[2] == 0);
        if (answered && !written)
            break;  // the host does not know the request: nor for the other fields
        if (!answered)
            continue;
        *wrote = true;
        answer[ANSWER_UNITS - 1] = 0;
        TextUnit value[FIELD_UNITS];
        FieldWriter writer;
        StartField(&writer, value);
        AppendAnswer(&writer, answer);
        AppendValue(&writers[f], value);
    }
    return IsUsableTrackText(text);
}

bool AskHostMetadataW(const WCHAR *path, TrackText *text) {
    bool wrote;
    bool found = AskHostMetadata(HOST_FILE_METADATA_W, path, WIDE_NAMES, text, &wrote);
    if (wrote)
        HostLink.metadataKnown = true;
    return found;
}

bool AskHostMetadataA(const char *path, TrackText *text) {
    bool wrote;
    return AskHostMetadata(HOST_FILE_METADATA, path, NARROW_NAMES, text, &wrote);
}
