#include "track/formats/ogg.h"

#include <string.h>

#include "track/formats/vorbis_comment.h"

enum {
    PAGE_HEADER = 27,
    FLAG_CONTINUED = 0x01,
    // Pages looked at, of every stream, before the comment header is whole:
    // far more than a comment header with a large picture takes.
    MAX_PAGES = 4096,
    // A page in the middle of a large packet: 255 segments of 255 bytes.
    FULL_PAGE_DATA = 255 * 255,
    FULL_PAGE = PAGE_HEADER + 255 + FULL_PAGE_DATA,
};

// One packet of the first stream, read in order across its pages.
struct OggPacket {
    ByteReader *reader;
    uint32_t serial;
    uint32_t sequence;     // the sequence number of the stream's current page
    uint64_t nextPage;     // file offset of the next page to look at
    int pages;             // pages looked at so far
    uint8_t lacing[255];   // the current page's lacing table
    int segments, segment; // its length, and the next segment to take
    uint64_t segmentAt;    // file offset of that segment's bytes
    uint64_t runAt, runLeft;  // the packet's bytes not yet taken on this page
    bool started, ended;   // the packet has bytes on an earlier page; its last run is taken
};

// The next page of the stream. A page that goes on with a packet must say
// so, and only then.
static bool LoadPage(OggPacket *packet) {
    uint64_t size = packet->reader->source->size;
    while (packet->pages++ < MAX_PAGES) {
        uint64_t at = packet->nextPage;
        const uint8_t *h = size - at < PAGE_HEADER ? NULL : ReadAt(packet->reader, at, PAGE_HEADER);
        if (h == NULL || memcmp(h, "OggS", 4) != 0 || h[4] != 0)
            return false;
        bool continued = (h[5] & FLAG_CONTINUED) != 0;
        uint32_t serial = LittleEndian32(h + 14), sequence = LittleEndian32(h + 18);
        int segments = h[26];
        const uint8_t *table = size - at - PAGE_HEADER < (uint64_t)segments ? NULL
                                                                            : ReadAt(packet->reader, at + PAGE_HEADER, segments);
        if (table == NULL)
            return false;
        uint64_t body = 0;
        for (int i = 0; i < segments; i++)
            body += table[i];
        uint64_t bodyAt = at + PAGE_HEADER + segments;
        if (body > size - bodyAt)
            return false;
        packet->nextPage = bodyAt + body;
        if (serial != packet->serial)
            continue;  // a page of another stream
        if (continued != (packet->started && !packet->ended))
            return false;
        packet->sequence = sequence;
        memcpy(packet->lacing, table, segments);
        packet->segments = segments;
        packet->segment = 0;
        packet->segmentAt = bodyAt;
        return true;
    }
    return false;
}

// The packet's next run of bytes on one page; false when the packet has no
// more bytes.
static bool NextRun(OggPacket *packet) {
    if (packet->ended)
        return false;
    while (packet->segment == packet->segments) {
        if (!LoadPage(packet))
            return false;
    }
    uint64_t length = 0;
    while (packet->segment < packet->segments) {
        uint8_t value = packet->lacing[packet->segment++];
        length += value;
        if (value < 255) {
            packet->ended = true;
            break;
        }
    }
    packet->runAt = packet->segmentAt;
    packet->runLeft = length;
    packet->segmentAt += length;
    packet->started = true;
    return true;
}

static bool ReadPacket(void *context, uint8_t *dest, size_t count) {
    OggPacket *packet = (OggPacket *)context;
    while (count > 0) {
        if (packet->runLeft == 0 && !NextRun(packet))
            return false;
        size_t n = packet->runLeft < count ? (size_t)packet->runLeft : count;
        const uint8_t *bytes = ReadAt(packet->reader, packet->runAt, n);
        if (bytes == NULL)
            return false;
        memcpy(dest, bytes, n);
        dest += n;
        count -= n;
        packet->runAt += n;
        packet->runLeft -= n;
    }
    return true;
}

// Encoders write a large packet as full pages of its stream, one after the
// other. To skip many of them, the page where the skip ends is looked for
// where full pages would put it: it counts only when it is there, goes on
// with the packet, and carries the sequence number that many pages later.
// Otherwise the pages are walked one by one.
static void SkipFullPages(OggPacket *packet, uint64_t *count) {
    if (packet->ended || packet->segment != packet->segments || packet->runLeft != 0 || *count <= FULL_PAGE_DATA)
        return;
    uint64_t pages = (*count - 1) / FULL_PAGE_DATA;
    uint64_t size = packet->reader->source->size;
    if (pages > (uint64_t)(MAX_PAGES - packet->pages) || pages > (size - packet->nextPage) / FULL_PAGE)
        return;
    uint64_t at = packet->nextPage + pages * FULL_PAGE;
    const uint8_t *h = size - at < PAGE_HEADER ? NULL : ReadAt(packet->reader, at, PAGE_HEADER);
    if (h == NULL || memcmp(h, "OggS", 4) != 0 || h[4] != 0 || (h[5] & FLAG_CONTINUED) == 0 ||
        LittleEndian32(h + 14) != packet->serial || LittleEndian32(h + 18) != packet->sequence + pages + 1)
        return;
    packet->nextPage = at;
    packet->pages += (int)pages;
    *count -= pages * FULL_PAGE_DATA;
}

// Skipping costs the headers of the pages skipped, not their bytes.
static bool SkipPacket(void *context, uint64_t count) {
    OggPacket *packet = (OggPacket *)context;
    while (count > 0) {
        SkipFullPages(packet, &count);
        if (packet->runLeft == 0 && !NextRun(packet))
            return false;
        uint64_t n = packet->runLeft < count ? packet->runLeft : count;
        count -= n;
        packet->runAt += n;
        packet->runLeft -= n;
    }
    return true;
}

static void BeginPacket(OggPacket *packet) {
    packet->started = packet->ended = false;
    packet->runLeft = 0;
}

static bool FinishPacket(OggPacket *packet) {
    packet->runLeft = 0;
    while (!packet->ended) {
        if (!NextRun(packet))
            return false;
    }
    packet->runLeft = 0;
    return true;
}

bool ReadOggComments(ByteReader *reader, TrackText *text) {
    ClearTrackText(text);
    const uint8_t *first = ReadAt(reader, 0, PAGE_HEADER);
    if (first == NULL || memcmp(first, "OggS", 4) != 0)
        return false;
    OggPacket packet = {};
    packet.reader = reader;
    packet.serial = LittleEndian32(first + 14);
    ByteStream stream = {&packet, ReadPacket, SkipPacket};

    // The identification header tells the codec, and with it how the
    // comment header begins.
    uint8_t magic[8];
    BeginPacket(&packet);
    if (!ReadPacket(&packet, magic, 8))
        return false;
    size_t marker;
    if (memcmp(magic, "\x01vorbis", 7) == 0)
        marker = 7;
    else if (memcmp(magic, "OpusHead", 8) == 0)
        marker = 8;
    else
        return false;
    if (!FinishPacket(&packet))
        return false;
    BeginPacket(&packet);
    if (!ReadPacket(&packet, magic, marker) ||
        memcmp(magic, marker == 7 ? "\x03vorbis" : "OpusTags", marker) != 0)
        return false;
    return ReadVorbisComments(&stream, text);
}
