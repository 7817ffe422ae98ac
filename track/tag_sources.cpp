#include "track/tag_sources.h"

#include "track/formats/apev2.h"
#include "track/formats/asf.h"
#include "track/formats/flac.h"
#include "track/formats/id3v2.h"
#include "track/formats/iff.h"
#include "track/formats/mp4.h"
#include "track/formats/ogg.h"
#include "track/formats/id3v1.h"

struct TagScan {
    ByteReader *reader;
    NarrowDecoder narrow;
    uint64_t id3v2End;  // just after a sound ID3v2 tag at the start, else 0
};

static bool Id3v2(TagScan *scan, TrackText *text) {
    return ReadId3v2(scan->reader, text, &scan->id3v2End);
}

// Some files carry an ID3v2 tag in front of the FLAC stream.
static bool Flac(TagScan *scan, TrackText *text) {
    return ReadFlacComments(scan->reader, 0, text) ||
           (scan->id3v2End != 0 && ReadFlacComments(scan->reader, scan->id3v2End, text));
}

static bool Mp4(TagScan *scan, TrackText *text) {
    return ReadMp4Tags(scan->reader, text);
}

static bool Ogg(TagScan *scan, TrackText *text) {
    return ReadOggComments(scan->reader, text);
}

static bool Asf(TagScan *scan, TrackText *text) {
    return ReadAsfTags(scan->reader, text);
}

static bool Wave(TagScan *scan, TrackText *text) {
    return ReadWaveTags(scan->reader, scan->narrow, text);
}

static bool Aiff(TagScan *scan, TrackText *text) {
    return ReadAiffTags(scan->reader, text);
}

static bool Ape(TagScan *scan, TrackText *text) {
    return ReadApeTags(scan->reader, text);
}

// ID3v1 fields are narrow text.
static bool Id3v1(TagScan *scan, TrackText *text) {
    char fields[TRACK_FIELDS][TEXT_FIELD_SIZE];
    if (!ReadId3v1Fields(scan->reader, fields[TRACK_TITLE], fields[TRACK_ARTIST], fields[TRACK_ALBUM]))
        return false;
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    for (int f = 0; f < TRACK_FIELDS; f++) {
        size_t length = 0;
        while (fields[f][length] != 0)
            length++;
        scan->narrow(&writers[f], fields[f], length);
    }
    return true;
}

// The order of the sources: a tag at the start of the file, the
// container's own tags (each reader knows its container by the first bytes
// of the file, never by its name), then the tags at the end. The first
// source that gives a title, artist or album wins; sources are not mixed.
static bool (*const SOURCES[])(TagScan *scan, TrackText *text) = {
    Id3v2, Flac, Mp4, Ogg, Asf, Wave, Aiff, Ape, Id3v1,
};

bool ReadFileTags(ByteReader *reader, NarrowDecoder narrow, TrackText *text) {
    TagScan scan = {reader, narrow, 0};
    for (auto source : SOURCES) {
        ClearTrackText(text);
        if (source(&scan, text) && IsUsableTrackText(text))
            return true;
    }
    ClearTrackText(text);
    return false;
}
