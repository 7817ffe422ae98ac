#include "track/formats/mp4.h"

#include <string.h>

enum {
    // Atoms looked at under one parent at most: real files have a handful
    // where the walk goes; a file of countless tiny atoms is not walked.
    MAX_CHILDREN = 4096,
    DATA_TYPE_UTF8 = 1,
};

struct Atom {
    uint64_t body;  // where the atom's content starts, after its header
    uint64_t end;
    uint8_t type[4];
};

// The atom at `position` in a parent that ends at `end`: a 32-bit size, or
// 1 and a 64-bit size after the type, or 0 for "up to the parent's end".
static bool ReadAtom(ByteReader *reader, uint64_t position, uint64_t end, Atom *atom) {
    const uint8_t *h = end - position < 8 ? NULL : ReadAt(reader, position, 8);
    if (h == NULL)
        return false;
    uint64_t size = BigEndian32(h);
    memcpy(atom->type, h + 4, 4);
    uint64_t header = 8;
    if (size == 1) {
        const uint8_t *large = end - position < 16 ? NULL : ReadAt(reader, position + 8, 8);
        if (large == NULL)
            return false;
        size = BigEndian64(large);
        header = 16;
    } else if (size == 0) {
        size = end - position;
    }
    if (size < header || size > end - position)
        return false;
    atom->body = position + header;
    atom->end = position + size;
    return true;
}

// The first child of `type` between `from` and `end`; false also when an
// atom before it is broken. Fewer bytes than an atom header at the end of a
// parent end its list.
static bool FindChild(ByteReader *reader, uint64_t from, uint64_t end, const char *type, Atom *found) {
    for (int n = 0; n < MAX_CHILDREN && end - from >= 8; n++) {
        if (!ReadAtom(reader, from, end, found))
            return false;
        if (memcmp(found->type, type, 4) == 0)
            return true;
        from = found->end;
    }
    return false;
}

// Each data atom of an item whose value is UTF-8 text is one value.
static bool TakeItem(ByteReader *reader, const Atom *item, FieldWriter *field) {
    uint64_t position = item->body;
    for (int n = 0; n < MAX_CHILDREN && item->end - position >= 8; n++) {
        Atom data;
        if (!ReadAtom(reader, position, item->end, &data))
            return false;
        position = data.end;
        // Type (a version byte, then three bytes), then four of locale.
        const uint8_t *head = data.end - data.body < 8 ? NULL : ReadAt(reader, data.body, 8);
        if (memcmp(data.type, "data", 4) != 0 || head == NULL || (BigEndian32(head) & 0xFFFFFF) != DATA_TYPE_UTF8)
            continue;
        size_t taken;
        const uint8_t *value = ReadValue(reader, data.body + 8, data.end - data.body - 8, &taken);
        if (value == NULL)
            return false;
        AppendUtf8Value(field, value, taken);
    }
    return true;
}

static int FieldOfItem(const uint8_t *type) {
    static const char *const ITEMS[TRACK_FIELDS] = {"\xA9nam", "\xA9" "ART", "\xA9" "alb"};
    for (int f = 0; f < TRACK_FIELDS; f++) {
        if (memcmp(type, ITEMS[f], 4) == 0)
            return f;
    }
    return -1;
}

bool ReadMp4Tags(ByteReader *reader, TrackText *text) {
    ClearTrackText(text);
    const uint8_t *first = ReadAt(reader, 0, 8);
    if (first == NULL || memcmp(first + 4, "ftyp", 4) != 0)
        return false;
    // The way down to the item list; moov may come after the media data,
    // which is stepped over by its size, never read.
    Atom moov, udta, meta, ilst;
    if (!FindChild(reader, 0, reader->source->size, "moov", &moov) ||
        !FindChild(reader, moov.body, moov.end, "udta", &udta) ||
        !FindChild(reader, udta.body, udta.end, "meta", &meta))
        return false;
    // meta is a full atom (version and flags before its children) in MP4
    // files, a plain one in QuickTime files: four zero bytes are taken as
    // version and flags, since no child atom has a size of 0 there.
    uint64_t children = meta.body;
    const uint8_t *version = meta.end - meta.body < 4 ? NULL : ReadAt(reader, meta.body, 4);
    if (version != NULL && BigEndian32(version) == 0)
        children += 4;
    if (!FindChild(reader, children, meta.end, "ilst", &ilst))
        return false;

    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    bool seen[TRACK_FIELDS] = {false, false, false};
    uint64_t position = ilst.body;
    for (int n = 0; n < MAX_CHILDREN && ilst.end - position >= 8; n++) {
        Atom item;
        if (!ReadAtom(reader, position, ilst.end, &item))
            return false;
        position = item.end;
        int field = FieldOfItem(item.type);
        if (field < 0 || seen[field])
            continue;
        seen[field] = true;
        if (!TakeItem(reader, &item, &writers[field]))
            return false;
    }
    return true;
}
