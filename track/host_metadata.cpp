#include "host/host_requests.h"
#include "status/state.h"
#include "track/ansi_text.h"
#include "track/readers.h"

// The host's request records, as its input plug-ins answer them: the file,
// the name of what is asked, and the plug-in's buffer with its size in
// units, terminator included.
struct WideMetadataRequest {
    const wchar_t *filename;
    const wchar_t *metadata;
    wchar_t *ret;
    size_t retlen;
};

struct NarrowMetadataRequest {
    const char *filename;
    const char *metadata;
    char *ret;
    size_t retlen;
};

enum {
    METADATA_ANSWERED = 1,
    // The host's text is taken up to this many units; a field keeps 127.
    ANSWER_UNITS = 2 * FIELD_UNITS,
};

static const wchar_t *const WIDE_NAMES[TRACK_FIELDS] = {L"title", L"artist", L"album"};
static const char *const NARROW_NAMES[TRACK_FIELDS] = {"title", "artist", "album"};

// The host answers for the file as a whole: when it cannot read the file
// (or does not know the request), it says so for the title already. The
// host may fill a buffer to its last unit: each is ended here.
bool AskHostMetadataW(const WCHAR *path, TrackText *text) {
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    for (int f = 0; f < TRACK_FIELDS; f++) {
        WCHAR answer[ANSWER_UNITS];
        answer[0] = 0;
        WideMetadataRequest request = {path, WIDE_NAMES[f], answer, ANSWER_UNITS};
        if (SendHostCommand((WPARAM)&request, HOST_FILE_METADATA_W) != METADATA_ANSWERED) {
            if (f == 0)
                return false;
            continue;
        }
        HostLink.metadataKnown = true;
        // Cut as every field is, trailing spaces dropped.
        answer[ANSWER_UNITS - 1] = 0;
        TextUnit value[FIELD_UNITS];
        FieldWriter writer;
        StartField(&writer, value);
        AppendUnits(&writer, answer, UnitLength(answer, ANSWER_UNITS));
        AppendValue(&writers[f], value);
    }
    return true;
}

bool AskHostMetadataA(const char *path, TrackText *text) {
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    for (int f = 0; f < TRACK_FIELDS; f++) {
        char answer[ANSWER_UNITS];
        answer[0] = 0;
        NarrowMetadataRequest request = {path, NARROW_NAMES[f], answer, ANSWER_UNITS};
        if (SendHostCommand((WPARAM)&request, HOST_FILE_METADATA) != METADATA_ANSWERED) {
            if (f == 0)
                return false;
            continue;
        }
        answer[ANSWER_UNITS - 1] = 0;
        TextUnit value[FIELD_UNITS];
        FieldWriter writer;
        StartField(&writer, value);
        AppendAnsi(&writer, answer, lstrlenA(answer));
        AppendValue(&writers[f], value);
    }
    return true;
}
