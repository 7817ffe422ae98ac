#!/usr/bin/python3
"""A second, independent reading of every audio file of this folder,
checked against manifest.txt.

    /usr/bin/python3 tests/corpus/check-corpus.py

Needs Debian's python3-mutagen and python3-eyed3, ffprobe (ffmpeg),
mediainfo and exiftool (make-corpus.sh installs them). Each file is read by a different tool from the one that wrote it:

- ID3v2 tags written by mutagen (mid3v2, or mutagen from make-corpus.sh)
  are read by eyeD3; all other ID3v2 tags (id3v2, lame, eyeD3, kid3-cli,
  ffmpeg, craft_id3.py) are read by mutagen.
- FLAC comments (written by metaflac) are read by mutagen.
- ID3v1 tags (written by id3v2 and lame) are read from the last 128 bytes
  and cross-checked with mutagen's ID3v1 parser.

The raw readings of these tools differ from the plug-in's rules in a few
places; the rules are applied to the raw reading here, and each place is
marked "RULE:" below. Facts that mutagen hides (frame flags, frame order,
where the frame list ends, sizes that point past the tag) are read from
the bytes by the small frame walker below, which shares no code with
craft_id3.py; its list of frames must agree with mutagen's.

Where the readers part from the rules (seen with mutagen 1.46, eyeD3
0.9.7 and, for comparison only, ffprobe 5.1):
- mutagen merges two frames of the same id into one frame with both values,
  decompresses compressed frames, reads on past an invalid frame id, and
  reads a frame whose size points past the tag end by cutting it short. The
  recording of its frames and the walker below put the rules back.
- eyeD3 hands back encrypted frames as if they were plain text, does not
  undo unsynchronisation in 2.4 tags when only the tag header has the flag,
  and finds no frames in 2.4 tags with plain sizes. So eyeD3 reads only what
  mutagen wrote, and mutagen reads every crafted file.
- ffprobe keeps only the first value of a multi-value frame, reads 2.3
  whole-tag unsynchronisation with the sizes of the stored bytes (and so
  loses the frames after the first), takes FLAC comments over an ID3v2 tag
  in front of "fLaC", and shows ID3v1 bytes above 0x7F undecoded. It is
  not used here.

The other containers are read, by the kind the first bytes show (never
by the name), by one tool that did not write the file (the table SECOND
says which): mutagen reads what ffmpeg wrote, ffprobe what mutagen,
kid3-cli, AtomicParsley, oggenc and opusenc wrote, mediainfo MP4 items
with several data atoms and 64-bit atoms, exiftool RIFF INFO, Vorbis
comments of repeated names and APEv2 tags mutagen wrote, eyeD3 or mutagen
the ID3v2 tag of a RIFF or AIFF chunk (copied to a temporary file), and
mutagen the APEv2 tags of wavpack and mpcenc. Small walkers of this
script's own (MP4 atoms, Ogg pages and packets, ASF objects, RIFF/AIFF
chunks, the APEv2 footer) decide whether each structure is sound, read
the values by the rules, and must agree with the tool; a broken structure
makes that source absent and the next one is tried. The derived source
must equal the sixth manifest column.

Where these readers part from the rules (seen with ffprobe 5.1, mutagen
1.46, mediainfo 23.04, exiftool 12.57):
- MP4: ffprobe keeps only the first data atom of an item, mutagen keeps
  every one, exiftool only the last, mediainfo joins them with " / ".
  ffprobe and mutagen find no text in data atoms with 64-bit sizes (and
  mutagen none in 64-bit items); exiftool reads neither 64-bit nor size-0
  atoms nor a meta without version; mutagen refuses size 0 below the top
  level and misreads a meta without version (it always skips 4 bytes);
  mediainfo reads no meta without version. So each crafted MP4 is read by
  a tool that copes with it (TOOL_BLIND lists the tools not compared).
  Broken atoms: ffprobe, mutagen and mediainfo all still read the items of
  a udta whose size points past moov; ffprobe and mediainfo read an ilst
  whose artist item says 0xFFFFFFFF; mediainfo reads the title before an
  item of size 4. The rules ignore the whole MP4 tag in each case.
- The top-level atom walk stops at the first moov: an APEv2 or ID3v1 tag
  that a tool appends after moov is not an atom. Fewer than 8 bytes left
  at the end of a parent end its list of children without breaking it.
- Ogg: ffprobe joins repeated comments with ";" (so it reads only files
  with one value per name); exiftool gives them as a list, with empty ones
  and trailing spaces kept. ffprobe and mediainfo still read the comments
  after a count of 0xFFFFFFFF; ffprobe and mutagen read the comments of
  Ogg FLAC, which the rules do not read.
- ASF: exiftool turns a surrogate pair into two 3-byte sequences (CESU-8)
  and so cannot read emoji; ffprobe and mediainfo still read a Content
  Description Object whose size points past the header object.
- RIFF: exiftool decodes INFO text as code page 1252 whatever it holds, so
  UTF-8 text comes out as mojibake; the bytes are recovered from its
  output and the rule (UTF-8 when valid) applied. mediainfo still reads
  the INFO title of a LIST chunk of size 0xFFFFFFFF.
- AIFF: ffprobe and mediainfo read the NAME chunk as the title, which the
  rules ignore.
- APEv2: exiftool and mutagen keep the last item of a key that repeats;
  `exiftool -a` lists them all in file order, and the rule takes the first.
- APEv2: exiftool's JSON drops the zero byte between values (its -b output
  keeps it), and it looks for APEv2 only in MP3-like files, so the tag
  after MP4 or Ogg data is given to it alone. mutagen appends its APEv2
  tag after an existing ID3v1 tag (make-corpus.sh writes the ID3v1 tag
  second for that reason). mediainfo still reads a tag whose size points
  before the file start, or whose item count is 0xFFFFFFFF, and so does
  mutagen for the count; ffprobe does not read APEv2 in MP3 files at all.

Prints one line per file and exits non-zero on any mismatch.
"""

import glob
import json
import logging
import os
import re
import struct
import subprocess
import sys
import tempfile

import eyed3
import eyed3.id3
import mutagen
import mutagen.apev2
import mutagen.asf
import mutagen.flac
import mutagen.id3
import mutagen.mp4

HERE = os.path.dirname(os.path.abspath(__file__))
FIELDS = ("title", "artist", "album")
ID3_NAMES = {"TIT2": "title", "TPE1": "artist", "TALB": "album",
             "TT2": "title", "TP1": "artist", "TAL": "album"}
LIMIT = 127  # UTF-16 code units a field may have

logging.getLogger("eyed3").setLevel(logging.ERROR)
eyed3.log.setLevel(logging.ERROR)


# ------------------------------------------------------- the rules' parts

def clean(value):
    """RULE: a value loses its terminating zeros and trailing spaces; its
    leading spaces stay."""
    return value.rstrip("\0 ")


def join(values):
    """RULE: several values are joined by " / ", empty ones skipped."""
    return " / ".join(v for v in map(clean, values) if v)


def cut(text):
    """RULE: at most 127 UTF-16 code units; a character outside the BMP
    that would straddle the limit is dropped whole."""
    units, kept = 0, []
    for ch in text:
        units += 2 if ord(ch) > 0xFFFF else 1
        if units > LIMIT:
            break
        kept.append(ch)
    return "".join(kept)


def usable(fields):
    """RULE: usable when a field is non-empty after trimming spaces and
    zeros."""
    return any(fields[k].strip(" \0") for k in FIELDS)


def split_playlist(title):
    """RULE: cut only at " - " if the title has it, else at every "-";
    pieces trimmed of spaces, empty pieces skipped; artist, title, album."""
    pieces = title.split(" - ") if " - " in title else title.split("-")
    pieces = [p.strip(" ") for p in pieces]
    pieces = [p for p in pieces if p] + ["", "", ""]
    return {"artist": pieces[0], "title": pieces[1], "album": pieces[2]}


# ----------------------------------------------- walking the ID3v2 frames

VALID_ID = re.compile(rb"[A-Z0-9]{4}\Z")
VALID_ID22 = re.compile(rb"[A-Z0-9]{3}\Z")


def syncsafe(b):
    n = 0
    for byte in b:
        n = (n << 7) | (byte & 0x7F)
    return n


class Walk:
    """What the bytes of an ID3v2 tag say about its structure."""
    def __init__(self):
        self.version = None
        self.flags = 0
        self.end = None          # offset in the file where the tag ends
        self.frames = []         # dicts: id, flags, size, data, reading
        self.stop = None         # why the frame list ended
        self.broken = None       # why the whole tag must be ignored


def walk_id3v2(data):
    """Returns None without an ID3v2 header, else a Walk."""
    if data[:3] != b"ID3" or len(data) < 10:
        return None
    w = Walk()
    w.version, w.flags = data[3], data[5]
    if w.version not in (2, 3, 4) or any(b & 0x80 for b in data[6:10]):
        w.broken = "not a version 2.2-2.4 header"
        return w
    size = syncsafe(data[6:10])
    w.end = 10 + size + (10 if w.version == 4 and w.flags & 0x10 else 0)
    if 10 + size > len(data):
        w.broken = "tag size %d points past the end of the file" % size
        return w
    body = data[10:10 + size]
    if w.version < 4 and w.flags & 0x80:       # whole-tag unsynchronisation
        body = body.replace(b"\xff\x00", b"\xff")
    pos = 0
    if w.version >= 3 and w.flags & 0x40:      # extended header: skip it
        ext = body[:4]
        pos = 4 + struct.unpack(">I", ext)[0] if w.version == 3 else syncsafe(ext)
        if pos > len(body):
            w.broken = "extended header past the tag end"
            return w
    head, idlen, valid = (6, 3, VALID_ID22) if w.version == 2 else (10, 4, VALID_ID)

    def lands(at):
        return (at == len(body) or (at < len(body) and body[at] == 0)
                or (at + 10 <= len(body) and VALID_ID.match(body[at:at + 4])))

    while True:
        if pos + head > len(body):
            w.stop = "tag end"
            break
        fid = body[pos:pos + idlen]
        if fid[0] == 0:
            w.stop = "padding"
            break
        if not valid.match(fid):
            w.stop = "invalid frame id %r" % fid
            break
        reading = "plain"
        if w.version == 2:
            size, fflags = struct.unpack(">I", b"\0" + body[pos + 3:pos + 6])[0], 0
        else:
            size, fflags = struct.unpack(">IH", body[pos + 4:pos + 10])
            if w.version == 4:
                # syncsafe sizes, or the plain sizes some writers put in 2.4
                # tags: take the reading that lands on a frame header, the
                # padding or the tag end.
                safe = syncsafe(body[pos + 4:pos + 8])
                if safe == size:
                    reading = "both"
                elif lands(pos + head + safe) or not lands(pos + head + size):
                    size, reading = safe, "syncsafe"
        # RULE: a frame size past the tag end makes the whole tag ignored
        # (mutagen would read the frame cut short).
        if pos + head + size > len(body):
            w.broken = "frame %s of %d bytes points past the tag end" % (
                fid.decode("latin-1"), size)
            return w
        w.frames.append({"id": fid.decode("ascii"), "flags": fflags,
                         "size": size, "reading": reading,
                         "raw_size": body[pos + idlen:pos + head],
                         "data": body[pos + head:pos + head + size]})
        pos += head + size
    return w


def skipped(version, flags):
    """RULE: compressed or encrypted frames are skipped as if absent."""
    if version == 3:
        return bool(flags & 0x00C0)
    if version == 4:
        return bool(flags & 0x000C)
    return False


# ----------------------------------------------------- mutagen, recorded
# mutagen's tag object merges repeated frames (TIT2 twice becomes one TIT2
# with two values) and reads compressed frames; the rules want the first
# frame and skip compressed ones. So every frame mutagen parses is recorded
# in file order, with its flags, by wrapping mutagen's frame parser.

_seen = []
_parse = mutagen.id3.Frame._fromData.__func__


def _recording_parse(cls, header, tflags, data):
    entry = {"id": cls.__name__, "flags": tflags, "text": None}
    _seen.append(entry)
    frame = _parse(cls, header, tflags, data)    # encrypted: raises, text None
    if isinstance(frame, mutagen.id3.TextFrame):
        entry["text"] = [str(t) for t in frame.text]
    return frame


mutagen.id3.Frame._fromData = classmethod(_recording_parse)


def read_with_mutagen(path):
    del _seen[:]
    try:
        mutagen.id3.ID3(path, load_v1=False, translate=False)
    except Exception as err:          # noqa: BLE001 - reported, not hidden
        return None, "mutagen refused the tag: %s" % err
    return list(_seen), None


def read_with_eyed3(path):
    """RULE: eyeD3 hands back one string per frame with the values joined
    by a zero, and decodes a UTF-16 frame as one string, so the byte order
    mark of a second value shows as U+FEFF: split at the zero and drop that
    mark."""
    tag = eyed3.id3.Tag()
    if not tag.parse(path):
        return None, "eyeD3 found no tag"
    frames = []
    for fid in ("TIT2", "TPE1", "TALB"):
        for fr in tag.frame_set.get(fid.encode(), []):
            frames.append({"id": fid, "flags": 0, "text": [
                v[1:] if v.startswith("\ufeff") else v
                for v in fr.text.split("\0")]})
    return frames, None


def id3v2_fields(path, walk, by_eyed3=None):
    """The three fields by the rules from an independent reading; also
    returns notes and a list of disagreements with the walker."""
    if by_eyed3 is None:
        by_eyed3 = "mid3v2" in path or "mutagen" in path
    frames, err = (read_with_eyed3 if by_eyed3 else read_with_mutagen)(path)
    reader = "eyeD3" if by_eyed3 else "mutagen"
    problems = []
    if frames is None:
        return None, reader, [err]
    ours = [(ID3_NAMES[f["id"]], f["flags"]) for f in walk.frames
            if f["id"] in ID3_NAMES]
    theirs = [(ID3_NAMES[f["id"]], f["flags"]) for f in frames
              if f["id"] in ID3_NAMES]
    if by_eyed3:                      # eyeD3 groups frames by id
        ours, theirs = sorted(n for n, _ in ours), sorted(n for n, _ in theirs)
        if ours != theirs:
            problems.append("frames: walker %s, eyeD3 %s" % (ours, theirs))
        chosen = frames
    else:
        # RULE: an invalid frame id ends the list; mutagen reads on past it,
        # so only as many of its frames count as the walker found.
        if theirs[:len(ours)] != ours:
            problems.append("frames: walker %s, mutagen %s" % (ours, theirs))
        wanted = len(ours)
        chosen = []
        for f in frames:
            if f["id"] in ID3_NAMES and len(chosen) < wanted:
                chosen.append(f)
    fields = {k: "" for k in FIELDS}
    taken = set()
    for f in chosen:
        name = ID3_NAMES[f["id"]]
        if name in taken or skipped(walk.version, f["flags"]):
            continue
        taken.add(name)                 # RULE: the first frame counts
        if f["text"] is None:
            problems.append("%s could not read %s" % (reader, f["id"]))
            continue
        fields[name] = join(f["text"])
    return fields, reader, problems


# ------------------------------------------------------- FLAC and ID3v1

def flac_fields(path):
    """RULE: names compared without case; several values of one name joined
    by " / ", empty ones skipped, trailing spaces removed."""
    flac = mutagen.flac.FLAC(path)
    fields = {k: "" for k in FIELDS}
    if flac.tags is not None:
        for k in FIELDS:
            fields[k] = join(v for n, v in flac.tags if n.lower() == k)
    return fields, [type(b).__name__ for b in flac.metadata_blocks]


def v1_field(raw):
    """RULE: text up to the first zero, code page 1252, trailing white space
    removed, but a field made only of spaces keeps one space."""
    text = raw.split(b"\0")[0].decode("cp1252")
    if text and not text.strip(" "):
        return " "
    return text.rstrip()


def id3v1_fields(data):
    if len(data) < 128 or data[-128:-125] != b"TAG":
        return None, []
    tag = data[-128:]
    fields = {"title": v1_field(tag[3:33]), "artist": v1_field(tag[33:63]),
              "album": v1_field(tag[63:93])}
    # mutagen's ID3v1 parser strips both ends and decodes Latin-1: turn its
    # text back into bytes and read them as code page 1252 to compare.
    problems = []
    theirs = mutagen.id3.ParseID3v1(tag) or {}
    for k, fid in zip(FIELDS, ("TIT2", "TPE1", "TALB")):
        m = str(theirs[fid]) if fid in theirs else ""
        m = m.encode("latin-1").decode("cp1252")
        if m != fields[k].strip():
            problems.append("ID3v1 %s: mutagen reads %r" % (k, m))
    return fields, problems


# ------------------------------------------- walkers of the containers
# Small walkers of this script's own, sharing no code with craft_tags.py:
# they decide whether a structure is sound (RULE: any broken size or
# count makes that source absent) and read the values by the rules, so
# that the tools' readings can be compared with them. Each returns a dict;
# "broken" holds the reason when the source must be ignored.

class Broken(Exception):
    pass


def u32(fmt, data, at):
    if at + 4 > len(data):
        raise Broken("a 32-bit field at %d lies past the end" % at)
    return struct.unpack(fmt, data[at:at + 4])[0]


def text_utf8(raw):
    """RULE: malformed UTF-8 gives U+FFFD."""
    return raw.decode("utf-8", "replace")


def mp4_children(data, start, end, log):
    """Atoms between start and end: (type, offset, header length, size).
    RULE: size 1 means a 64-bit size follows (16-byte header), size 0 runs
    to the end of the parent; a size smaller than the header or past the
    parent is broken."""
    pos = start
    while end - pos >= 8:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        head = 8
        if size == 1:
            if end - pos < 16:
                raise Broken("64-bit size of %r past its parent" % kind)
            size, head = struct.unpack(">Q", data[pos + 8:pos + 16])[0], 16
            log.append(("large", kind))
        elif size == 0:
            size = end - pos
            log.append(("zero", kind))
        if size < head:
            raise Broken("atom %r of %d bytes is smaller than its header"
                         % (kind, size))
        if pos + size > end:
            raise Broken("atom %r of %d bytes at %d points past its parent "
                         "(ends at %d)" % (kind, size, pos, end))
        yield kind, pos, head, size
        pos += size


def walk_mp4(data):
    """moov/udta/meta/ilst; the first item of each name, its UTF-8 data
    atoms. The top level is walked only up to the first moov: what a tool
    appends after it (APEv2, ID3v1) is not an atom."""
    w = {"top": [], "log": [], "broken": None, "meta_version": None,
         "fields": None, "items": [], "types": {}}
    try:
        moov = None
        for kind, at, head, size in mp4_children(data, 0, len(data), w["log"]):
            w["top"].append((kind, at, size))
            if kind == b"moov":
                moov = (at + head, at + size)
                break
        if moov is None:
            raise Broken("no moov")

        def child(span, want):
            for kind, at, head, size in mp4_children(data, span[0], span[1], w["log"]):
                if kind == want:
                    return at + head, at + size
            return None
        udta = child(moov, b"udta")
        meta = udta and child(udta, b"meta")
        if meta is None:
            w["fields"] = {k: "" for k in FIELDS}
            return w
        # RULE: 4 zero bytes first are meta's version and flags, else its
        # children start right away.
        w["meta_version"] = data[meta[0]:meta[0] + 4] == bytes(4)
        ilst = child((meta[0] + (4 if w["meta_version"] else 0), meta[1]), b"ilst")
        values = {}
        for kind, at, head, size in mp4_children(data, *(ilst or (0, 0)), w["log"]):
            w["items"].append(kind)
            name = MP4_NAMES.get(kind)
            texts = []
            for dkind, dat, dhead, dsize in mp4_children(data, at + head, at + size, w["log"]):
                if dkind != b"data":
                    continue
                if dsize - dhead < 8:
                    raise Broken("data atom shorter than its type and locale")
                dtype = struct.unpack(">I", data[dat + dhead:dat + dhead + 4])[0] & 0xFFFFFF
                w["types"].setdefault(kind, []).append(dtype)
                if dtype == 1:          # RULE: only UTF-8 data atoms count
                    texts.append(text_utf8(data[dat + dhead + 8:dat + dsize]))
            if name and name not in values:     # RULE: the first item counts
                values[name] = texts
        w["fields"] = {k: join(values.get(k, [])) for k in FIELDS}
    except Broken as err:
        w["broken"] = str(err)
    return w


MP4_NAMES = {b"\xa9nam": "title", b"\xa9ART": "artist", b"\xa9alb": "album"}
VORBIS_NAMES = {"TITLE": "title", "ARTIST": "artist", "ALBUM": "album"}


def ogg_crc(page):
    crc = 0
    for byte in page:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def vorbis_comments(packet, at):
    """RULE: vendor, count, then "NAME=value" comments; a count of
    0xFFFFFFFF or a length past the packet is broken; names without ASCII
    case; every value of a name joined in order."""
    vendor = u32("<I", packet, at)
    at += 4 + vendor
    if at > len(packet):
        raise Broken("vendor length past the packet")
    count = u32("<I", packet, at)
    if count == 0xFFFFFFFF:
        raise Broken("comment count 0xFFFFFFFF")
    at += 4
    comments = []
    for _ in range(count):
        length = u32("<I", packet, at)
        if at + 4 + length > len(packet):
            raise Broken("comment length %d past the packet" % length)
        comments.append(packet[at + 4:at + 4 + length])
        at += 4 + length
    values = {k: [] for k in FIELDS}
    names = []
    for c in comments:
        name, eq, value = c.partition(b"=")
        if not eq:
            continue
        names.append(name.decode("ascii", "replace"))
        field = VORBIS_NAMES.get(name.decode("ascii", "replace").upper())
        if field:
            values[field].append(text_utf8(value))
    return {k: join(v) for k, v in values.items()}, names


def walk_ogg(data):
    """The first two packets of the first logical stream, reassembled
    across pages."""
    w = {"broken": None, "codec": None, "fields": None, "names": [],
         "pages": [], "bad_crc": 0}
    try:
        packets, current, pos, serial = [], b"", 0, None
        while len(packets) < 2:
            if pos + 27 > len(data):
                raise Broken("page header past the end of the file")
            if data[pos:pos + 4] != b"OggS":
                raise Broken("no page at %d" % pos)
            count = data[pos + 26]
            if pos + 27 + count > len(data):
                raise Broken("lacing table of the page at %d past the end of "
                             "the file" % pos)
            lacing = data[pos + 27:pos + 27 + count]
            body = pos + 27 + count
            end = body + sum(lacing)
            if end > len(data):
                raise Broken("page data past the end of the file")
            page = bytearray(data[pos:end])
            crc = struct.unpack("<I", bytes(page[22:26]))[0]
            page[22:26] = bytes(4)
            w["bad_crc"] += ogg_crc(page) != crc
            this = struct.unpack("<I", data[pos + 14:pos + 18])[0]
            serial = this if serial is None else serial
            w["pages"].append((pos, this, count))
            if this == serial:
                at = body
                for lace in lacing:
                    current += data[at:at + lace]
                    at += lace
                    if lace < 255:
                        packets.append(current)
                        current = b""
            pos = end
        first, second = packets[0], packets[1]
        w["comment_packet"] = second
        if first.startswith(b"\x01vorbis") and second.startswith(b"\x03vorbis"):
            w["codec"] = "vorbis"
            w["fields"], w["names"] = vorbis_comments(second, 7)
        elif first.startswith(b"OpusHead") and second.startswith(b"OpusTags"):
            w["codec"] = "opus"
            w["fields"], w["names"] = vorbis_comments(second, 8)
        else:
            w["codec"] = first[:8]       # RULE: other codecs are not read
    except Broken as err:
        w["broken"] = str(err)
    return w


ASF_HEADER = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
ASF_CONTENT = bytes.fromhex("3326b2758e66cf11a6d900aa0062ce6c")
ASF_EXTENDED = bytes.fromhex("40a4d0d207e3d21197f000a0c95ea850")


def utf16_to_zero(raw):
    """RULE: UTF-16LE up to the first zero unit."""
    units = [raw[i:i + 2] for i in range(0, len(raw) - 1, 2)]
    if b"\0\0" in units:
        units = units[:units.index(b"\0\0")]
    return b"".join(units).decode("utf-16-le", "replace")


def walk_asf(data):
    w = {"broken": None, "fields": None, "objects": [], "header_size": None}
    try:
        if len(data) < 30:
            raise Broken("header object past the end of the file")
        size = struct.unpack("<Q", data[16:24])[0]
        w["header_size"] = size
        if size > len(data) or size < 30:
            raise Broken("header object size %d" % size)
        fields = {k: None for k in FIELDS}
        pos = 30
        while size - pos >= 24:
            guid = data[pos:pos + 16]
            osize = struct.unpack("<Q", data[pos + 16:pos + 24])[0]
            w["objects"].append((guid, pos, osize))
            if osize < 24 or pos + osize > size:
                raise Broken("object of %d bytes at %d points past the header "
                             "(ends at %d)" % (osize, pos, size))
            body = data[pos + 24:pos + osize]
            if guid == ASF_CONTENT and fields["title"] is None:
                lengths = struct.unpack("<5H", body[:10])
                if 10 + sum(lengths) > len(body):
                    raise Broken("content description strings past the object")
                fields["title"] = utf16_to_zero(body[10:10 + lengths[0]])
                fields["artist"] = utf16_to_zero(
                    body[10 + lengths[0]:10 + lengths[0] + lengths[1]])
            if guid == ASF_EXTENDED:
                count, at = struct.unpack("<H", body[:2])[0], 2
                for _ in range(count):
                    nlen = struct.unpack("<H", body[at:at + 2])[0]
                    name = body[at + 2:at + 2 + nlen]
                    vtype, vlen = struct.unpack("<HH", body[at + 2 + nlen:at + 6 + nlen])
                    value = body[at + 6 + nlen:at + 6 + nlen + vlen]
                    if at + 6 + nlen + vlen > len(body):
                        raise Broken("descriptor past its object")
                    if (utf16_to_zero(name) == "WM/AlbumTitle" and vtype == 0
                            and fields["album"] is None):
                        fields["album"] = utf16_to_zero(value)
                    at += 6 + nlen + vlen
            pos += osize
        w["fields"] = {k: clean(v or "") for k, v in fields.items()}
    except Broken as err:
        w["broken"] = str(err)
    return w


def narrow(raw):
    """RULE: RIFF INFO text up to the first zero; valid UTF-8 is UTF-8,
    anything else the ANSI code page (1252 here)."""
    raw = raw.split(b"\0")[0]
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp1252")


def walk_chunks(data, big_endian):
    """RIFF WAVE or FORM AIFF/AIFC chunks within the outer size, a pad byte
    after odd sizes: (id, data offset, size)."""
    fmt = ">I" if big_endian else "<I"
    outer = 8 + u32(fmt, data, 4)
    if outer > len(data):
        raise Broken("outer size past the end of the file")
    chunks, pos = [], 12
    while outer - pos >= 8:
        cid, size = data[pos:pos + 4], u32(fmt, data, pos + 4)
        if pos + 8 + size > outer:
            raise Broken("chunk %r of %d bytes at %d points past its parent "
                         "(ends at %d)" % (cid, size, pos, outer))
        chunks.append((cid, pos + 8, size))
        pos += 8 + size + (size & 1)
    return chunks


def walk_riff(data, big_endian):
    w = {"broken": None, "chunks": [], "id3": None, "info": None}
    try:
        w["chunks"] = walk_chunks(data, big_endian)
        for cid, at, size in w["chunks"]:
            if cid in (b"id3 ", b"ID3 ") and w["id3"] is None:
                w["id3"] = data[at:at + size]      # RULE: the first counts
            if (cid == b"LIST" and not big_endian and w["info"] is None
                    and data[at:at + 4] == b"INFO"):
                found, pos, end = {}, at + 4, at + size
                while end - pos >= 8:
                    sid, ssize = data[pos:pos + 4], u32("<I", data, pos + 4)
                    if pos + 8 + ssize > end:
                        raise Broken("INFO sub-chunk past its LIST")
                    found.setdefault(sid, data[pos + 8:pos + 8 + ssize])
                    pos += 8 + ssize + (ssize & 1)
                w["info_raw"] = found
                w["info"] = {k: clean(narrow(found.get(sid, b"")))
                             for k, sid in zip(FIELDS, (b"INAM", b"IART", b"IPRD"))}
    except Broken as err:
        w["broken"] = str(err)
    return w


def walk_ape(data):
    """The APEv2 footer at the end or right before an ID3v1 tag."""
    w = {"broken": None, "fields": None, "footer": None, "keys": []}
    ends = [len(data)]
    if data[-128:-125] == b"TAG":
        ends.append(len(data) - 128)
    end = next((e for e in ends if data[e - 32:e - 24] == b"APETAGEX"), None)
    if end is None:
        return None
    version, size, count, flags = struct.unpack("<4I", data[end - 24:end - 8])
    w["footer"] = {"at": end - 32, "version": version, "size": size,
                   "count": count, "flags": flags}
    try:
        if version != 2000:
            raise Broken("version %d is not read" % version)   # RULE: APEv1
        if size < 32 or size > end:
            raise Broken("tag size %d past the start of the file" % size)
        if count == 0xFFFFFFFF:
            raise Broken("item count 0xFFFFFFFF")
        pos, stop, values = end - size, end - 32, {}
        for _ in range(count):
            if pos + 8 > stop:
                raise Broken("item past the tag")
            vlen, iflags = struct.unpack("<II", data[pos:pos + 8])
            zero = data.find(b"\0", pos + 8, stop)
            if zero < 0 or zero + 1 + vlen > stop:
                raise Broken("item key or value past the tag")
            key = data[pos + 8:zero].decode("ascii", "replace")
            value = data[zero + 1:zero + 1 + vlen]
            w["keys"].append(key)
            field = {"title": "title", "artist": "artist", "album": "album"}.get(key.lower())
            # RULE: text items only; the first item of a key counts; its
            # value is split at zero bytes.
            if field and not (iflags >> 1) & 3 and field not in values:
                values[field] = text_utf8(value).split("\0")
            pos = zero + 1 + vlen
        w["fields"] = {k: join(values.get(k, [])) for k in FIELDS}
    except Broken as err:
        w["broken"] = str(err)
    return w


# ----------------------------------------------- the tools, raw readings
# Each returns {field: [values]} as the tool reports them, or None when it
# finds no tag; the rules (joining, trimming, the cut) are applied after.

def run(*cmd):
    return subprocess.run(cmd, check=False, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL).stdout


def by_ffprobe(path):
    """ffprobe's format and stream tags. RULE: ffprobe joins repeated Ogg
    comments with ";" and keeps only the first data atom of an MP4 item;
    it is used only where each field has one value."""
    out = json.loads(run("ffprobe", "-v", "error", "-print_format", "json",
                         "-show_format", "-show_streams", path) or b"{}")
    tags = {}
    for where in [out.get("format", {})] + out.get("streams", [])[:1]:
        for k, v in where.get("tags", {}).items():
            tags.setdefault(k.lower(), v)
    found = {k: [tags[k]] for k in FIELDS if k in tags}
    return found or None


def by_mediainfo(path):
    """mediainfo joins several data atoms of an MP4 item with " / ", which
    is the rule's join."""
    out = json.loads(run("mediainfo", "--Output=JSON", path) or b"{}")
    general = out.get("media", {}).get("track", [{}])[0]
    found = {k: [general[m]] for k, m in zip(FIELDS, ("Title", "Performer", "Album"))
             if m in general}
    return found or None


def by_exiftool_raw(path, group, names):
    """exiftool -b gives an APE value's stored bytes (its JSON output drops
    the zero bytes between values); RIFF INFO text it always decodes as
    code page 1252, which is undone here. RULE: APE values are split at
    zero bytes; RIFF INFO is UTF-8 when valid, else code page 1252."""
    found = {}
    for field, name in zip(FIELDS, names):
        raw = run("exiftool", "-b", "-%s:%s" % (group, name), path)
        if raw and group == "RIFF":
            # exiftool has decoded the INFO bytes as code page 1252 (bytes
            # that 1252 leaves undefined as U+0080-U+009F) and written UTF-8:
            # turn that back into the stored bytes.
            raw = b"".join(c.encode("cp1252") if ord(c) > 0xFF or c.encode(
                "cp1252", "ignore") else bytes([ord(c)])
                for c in raw.decode("utf-8"))
            found[field] = [narrow(raw)]
        elif raw:
            found[field] = text_utf8(raw).split("\0")
    return found or None


def by_exiftool_list(path):
    """exiftool's JSON: a list when a Vorbis comment name repeats."""
    out = json.loads(run("exiftool", "-j", "-Vorbis:Title", "-Vorbis:Artist",
                         "-Vorbis:Album", path) or b"[{}]")[0]
    found = {}
    for field, name in zip(FIELDS, ("Title", "Artist", "Album")):
        if name in out:
            v = out[name]
            found[field] = [str(x) for x in (v if isinstance(v, list) else [v])]
    return found or None


def by_mutagen(path):
    """mutagen's reading of MP4 items, Vorbis comments, ASF attributes or
    an APEv2 tag (the kind of file decides)."""
    f = mutagen.File(path)
    tags = getattr(f, "tags", None)
    if tags is None:
        return None
    found = {}
    if isinstance(f, mutagen.mp4.MP4):
        for kind, field in MP4_NAMES.items():
            key = kind.decode("latin-1")
            if key in tags:
                found[field] = [str(v) for v in tags[key]]
    elif isinstance(f, mutagen.asf.ASF):
        for field, key in zip(FIELDS, ("Title", "Author", "WM/AlbumTitle")):
            if key in tags:
                found[field] = [str(tags[key][0])]   # RULE: the first counts
    elif isinstance(tags, mutagen.apev2.APEv2):
        for field in FIELDS:
            if field in tags and tags[field].kind == mutagen.apev2.TEXT:
                found[field] = list(tags[field])
    else:                               # Vorbis comments, in file order
        for name, value in tags:
            field = VORBIS_NAMES.get(name.upper())
            if field:
                found.setdefault(field, []).append(value)
    return found or None


def by_mutagen_ape(path):
    try:
        tag = mutagen.apev2.APEv2(path)
    except Exception:                 # noqa: BLE001 - no tag, or refused
        return None
    found = {}
    for field in FIELDS:
        if field in tag and tag[field].kind == mutagen.apev2.TEXT:
            found[field] = list(tag[field])
    return found or None


def by_exiftool_ape(path):
    """exiftool looks for an APEv2 tag only in the kinds of file that
    usually carry one (MP3, WavPack, Musepack...), not after MP4 or Ogg
    data: there the tag's bytes, from its header on, are given to it alone
    in a temporary .mp3 file."""
    names = ("Title", "Artist", "Album")
    if not path.endswith((".m4a", ".ogg", ".opus")):
        return by_exiftool_raw(path, "APE", names)
    with open(path, "rb") as f:
        data = f.read()
    with tempfile.NamedTemporaryFile(suffix=".mp3") as tmp:
        tmp.write(data[data.find(b"APETAGEX"):])
        tmp.flush()
        return by_exiftool_raw(tmp.name, "APE", names)


def by_exiftool_ape_first(path):
    """exiftool keeps the last item of a repeated APE key, unless -a lists
    every item, in file order. RULE: the first item of a key counts."""
    found = {}
    for field, name in zip(FIELDS, ("Title", "Artist", "Album")):
        lines = run("exiftool", "-a", "-s3", "-APE:%s" % name, path).splitlines()
        if lines:
            found[field] = [lines[0].decode("utf-8")]
    return found or None


READERS = {
    "ffprobe": by_ffprobe,
    "mediainfo": by_mediainfo,
    "mutagen": by_mutagen,
    "mutagen-ape": by_mutagen_ape,
    "exiftool-ape": by_exiftool_ape,
    "exiftool-ape-first": by_exiftool_ape_first,
    "exiftool-riff": lambda p: by_exiftool_raw(p, "RIFF", ("Title", "Artist", "Product")),
    "exiftool-vorbis": by_exiftool_list,
}


def read_by(tool, path):
    """A tool's raw reading; a tool that refuses the file reads nothing
    (recorded as {"refused": reason})."""
    try:
        return READERS[tool](path)
    except Exception as err:          # noqa: BLE001 - recorded, not hidden
        return {"refused": "%s: %s" % (type(err).__name__, err)}


def ruled(found):
    """RULE: values joined, trimmed, empty ones skipped."""
    found = found or {}
    return {k: join(found.get(k, [])) for k in FIELDS}


# Which tool reads each file that is not ID3v2-only, FLAC or MP3 with
# ID3v1: never the one that wrote it. "container" reads the container's
# own tags, "ape" the APEv2 tag; "id3" says whether an ID3v2 tag in a
# RIFF or AIFF chunk is read by eyeD3 (written by mutagen) or mutagen.
SECOND = {
    "mp4-aac-moov-after-mdat-ffmpeg.m4a": {"container": "mutagen"},
    "mp4-alac-faststart-ffmpeg.m4a": {"container": "mutagen"},
    "mp4-two-artists-mutagen.m4a": {"container": "mediainfo"},
    "mp4-kid3cli.m4a": {"container": "ffprobe"},
    "mp4-atomicparsley.m4a": {"container": "ffprobe"},
    "mp4-moov-after-4mib-mdat-crafted.m4a": {"container": "mutagen"},
    "mp4-64bit-sizes-crafted.m4a": {"container": "mediainfo"},
    "mp4-size0-last-atom-crafted.m4a": {"container": "ffprobe"},
    "mp4-meta-without-version-crafted.m4a": {"container": "ffprobe"},
    "mp4-udta-past-moov-beside-ape-crafted.m4a": {"container": "mutagen",
                                                  "ape": "exiftool-ape"},
    "mp4-atom-smaller-than-header-beside-v1-crafted.m4a": {"container": "mutagen"},
    "mp4-item-size-ffffffff-beside-ape-crafted.m4a": {"container": "mutagen",
                                                      "ape": "exiftool-ape"},
    "ogg-vorbis-ffmpeg.ogg": {"container": "mutagen"},
    "opus-ffmpeg.opus": {"container": "mutagen"},
    "ogg-flac-ffmpeg.oga": {"container": "mutagen"},
    "ogg-vorbis-oggenc.ogg": {"container": "ffprobe"},
    "ogg-vorbis-named-mp3-oggenc.mp3": {"container": "ffprobe"},
    "ogg-vorbis-two-artists-vorbiscomment.ogg": {"container": "mutagen"},
    "ogg-vorbis-multi-artist-lowercase-mutagen.ogg": {"container": "exiftool-vorbis"},
    "opus-opusenc.opus": {"container": "ffprobe"},
    "opus-picture-1mib-before-title-opusenc.opus": {"container": "ffprobe"},
    "opus-foreign-page-among-comment-pages-crafted.opus": {"container": "mutagen"},
    "opus-long-fields-cut-mutagen.opus": {"container": "ffprobe"},
    "ogg-lacing-past-eof-crafted.ogg": {"container": "ffprobe"},
    "ogg-comment-count-ffffffff-beside-ape-crafted.ogg": {"container": "ffprobe",
                                                          "ape": "exiftool-ape"},
    "opus-comment-length-past-packet-beside-v1-crafted.opus": {"container": "ffprobe"},
    "asf-wma-ffmpeg.wma": {"container": "mutagen"},
    "asf-object-size-past-header-beside-v1-crafted.wma": {"container": "mutagen"},
    "wav-info-ffmpeg.wav": {"container": "exiftool-riff"},
    "wav-info-cp1252-ffmpeg.wav": {"container": "exiftool-riff"},
    "wav-id3-beside-info-mutagen.wav": {"container": "exiftool-riff", "id3": "eyeD3"},
    "wav-id3-comment-only-beside-info-mutagen.wav": {"container": "exiftool-riff",
                                                     "id3": "eyeD3"},
    "wav-list-size-ffffffff-beside-v1-crafted.wav": {"container": "exiftool-riff"},
    "aiff-id3-ffmpeg.aiff": {"id3": "mutagen"},
    "aiff-name-only-ffmpeg.aiff": {"container": "ffprobe"},
    "aifc-id3-mutagen.aifc": {"id3": "eyeD3"},
    "wv-ape-wavpack.wv": {"ape": "mutagen-ape"},
    "mpc-ape-mpcenc.mpc": {"ape": "mutagen-ape"},
    "mp3-ape-beside-v1-mutagen.mp3": {"ape": "exiftool-ape"},
    "mp3-id3v2-wins-over-ape-mutagen.mp3": {"ape": "exiftool-ape"},
    "mp3-ape-multivalue-lowercase-mutagen.mp3": {"ape": "exiftool-ape"},
    "mp3-ape-size-past-start-beside-v1-crafted.mp3": {"ape": "exiftool-ape"},
    "mp3-ape-item-count-ffffffff-beside-v1-crafted.mp3": {"ape": "exiftool-ape"},
    "mp3-ape-two-titles-crafted.mp3": {"ape": "exiftool-ape-first"},
}
# Where a tool misreads a sound structure (see the docstring), its
# reading is not compared with the walker's, only recorded.
TOOL_BLIND = {
    ("mp4-64bit-sizes-crafted.m4a", "ffprobe"),
    ("mp4-64bit-sizes-crafted.m4a", "mutagen"),
    ("mp4-size0-last-atom-crafted.m4a", "mutagen"),
    ("mp4-meta-without-version-crafted.m4a", "mutagen"),
}


def id3_chunk_fields(chunk, reader):
    """An ID3v2 tag in a RIFF or AIFF chunk: written to a temporary file and
    read as an MP3's tag would be."""
    walk = walk_id3v2(chunk)
    if walk is None or walk.broken:
        return walk, None, []
    with tempfile.NamedTemporaryFile(suffix=".id3") as tmp:
        tmp.write(chunk)
        tmp.flush()
        fields, _, problems = id3v2_fields(tmp.name, walk,
                                           by_eyed3=(reader == "eyeD3"))
    return walk, fields, problems


def container(name, data, path, info):
    """The container's own tags (recognised by the first bytes): returns
    (source, fields by the tool, problems); source None when absent."""
    second = SECOND.get(name, {})
    problems = []

    def compare(ours, tool, theirs):
        if (name, tool) in TOOL_BLIND:
            info["blind"] = theirs
            return
        if ruled(theirs) != ours:
            problems.append("%s reads %r, the walker %r" % (tool, ruled(theirs), ours))

    if data[4:8] == b"ftyp":
        w = info["mp4"] = walk_mp4(data)
        tool = second.get("container", "ffprobe")
        theirs = read_by(tool, path)
        info["tool"] = theirs
        if w["broken"]:
            return None, None, problems
        compare(w["fields"], tool, theirs)
        if "ffprobe" != tool and (name, "ffprobe") not in TOOL_BLIND:
            info["ffprobe"] = by_ffprobe(path)
        return "mp4", w["fields"], problems
    if data[:4] == b"OggS":
        w = info["ogg"] = walk_ogg(data)
        tool = second.get("container", "ffprobe")
        theirs = read_by(tool, path)
        info["tool"] = theirs
        if w["broken"] or w["fields"] is None:
            return None, None, problems
        compare(w["fields"], tool, theirs)
        return "ogg", w["fields"], problems
    if data[:16] == ASF_HEADER:
        w = info["asf"] = walk_asf(data)
        tool = second.get("container", "ffprobe")
        theirs = read_by(tool, path)
        info["tool"] = theirs
        if w["broken"]:
            return None, None, problems
        compare(w["fields"], tool, theirs)
        return "asf", w["fields"], problems
    riff = data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    aiff = data[:4] == b"FORM" and data[8:12] in (b"AIFF", b"AIFC")
    if riff or aiff:
        w = info["riff"] = walk_riff(data, big_endian=aiff)
        kind = "wav" if riff else "aiff"
        if w["broken"]:
            if "container" in second:
                info["tool"] = read_by(second["container"], path)
            return None, None, problems
        if w["id3"] is not None:
            walk, fields, trouble = id3_chunk_fields(w["id3"], second.get("id3"))
            info["chunk_walk"] = walk
            problems += trouble
            if fields is not None and usable(fields):
                return kind + "-id3", fields, problems
        if riff and w["info"] is not None:
            theirs = read_by(second.get("container", "exiftool-riff"), path)
            compare(w["info"], second.get("container"), theirs)
            return "wav-info", w["info"], problems
        if "container" in second:
            info["tool"] = read_by(second["container"], path)
    return None, None, problems


def ape_source(name, data, path, info):
    w = info["ape"] = walk_ape(data)
    if w is None or w["broken"]:
        if w is not None and "ape" in SECOND.get(name, {}):
            info["ape_tool"] = read_by(SECOND[name]["ape"], path)
        return None, []
    tool = SECOND.get(name, {}).get("ape", "mutagen-ape")
    theirs = info["ape_tool"] = read_by(tool, path)
    problems = []
    if ruled(theirs) != w["fields"]:
        problems.append("%s reads APEv2 %r, the walker %r" % (
            tool, ruled(theirs), w["fields"]))
    return w["fields"], problems


def decodes(path):
    """ffmpeg decodes the whole audio without an error."""
    done = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path,
                           "-f", "null", "-"], check=False,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return done.returncode == 0 and not done.stderr


# ------------------------------------------------- what each file tests
# Checks that each file still holds the case its name promises, so that a
# regeneration with other tool versions cannot quietly lose it.

def enc(f):
    return f["data"][0] if f["data"] else None


def frame(info, fid, n=0):
    found = [f for f in info["walk"].frames if f["id"] == fid]
    return found[n] if len(found) > n else None


FACTS = {
    "v23-latin1-id3v2tool.mp3": lambda i: i["walk"].version == 3 and all(
        enc(frame(i, x)) == 0 for x in ("TIT2", "TPE1", "TALB")),
    "v23-utf16-lame.mp3": lambda i: i["walk"].version == 3 and all(
        enc(frame(i, x)) == 1 for x in ("TIT2", "TPE1", "TALB")),
    "v23-utf16-nonlatin-emoji-eyed3.mp3": lambda i: i["walk"].version == 3
        and enc(frame(i, "TIT2")) == 1,
    "v23-kid3cli.mp3": lambda i: i["walk"].version == 3
        and enc(frame(i, "TIT2")) == 0 and enc(frame(i, "TPE1")) == 1,
    "v24-utf8-nonlatin-emoji-mid3v2.mp3": lambda i: i["walk"].version == 4
        and enc(frame(i, "TIT2")) == 3,
    "v24-utf16be-eyed3.mp3": lambda i: i["walk"].version == 4 and all(
        enc(frame(i, x)) == 2 for x in ("TIT2", "TPE1", "TALB")),
    "v24-utf16bom-two-artists-mutagen.mp3": lambda i: i["walk"].version == 4
        and enc(frame(i, "TPE1")) == 1
        and frame(i, "TPE1")["data"].count(b"\xff\xfe") == 2,
    "v24-ffmpeg.mp3": lambda i: i["walk"].version == 4,
    "v24-multivalue-mid3v2.mp3": lambda i: i["walk"].version == 4
        and b"Alpha\0Beta" in frame(i, "TPE1")["data"],
    "v24-long-fields-cut-mutagen.mp3": lambda i: len(
        frame(i, "TIT2")["data"]) > 130,
    "v23-beside-different-v1-id3v2tool.mp3": lambda i: i["v1"] is not None
        and i["v1"]["title"] != i["result"]["title"] and i["v1"]["album"],
    "v24-beside-empty-v1-eyed3.mp3": lambda i: i["v1"] is not None
        and not usable(i["v1"]) and i["walk"] is not None,
    "v1-empty-only-id3v2tool.mp3": lambda i: i["walk"] is None
        and i["v1"] is not None and not usable(i["v1"]),
    "v1-only-cp1252-id3v2tool.mp3": lambda i: i["walk"] is None
        and b"\x92" in i["data"][-128:] and b"\x80" in i["data"][-128:],
    "v1-only-space-padded-lame.mp3": lambda i: i["walk"] is None
        and i["data"][-128:-95].endswith(b"   "),
    "v22-crafted.mp3": lambda i: i["walk"].version == 2
        and [f["id"] for f in i["walk"].frames] == ["COM", "TT2", "TP1", "TAL"]
        and frame(i, "TP1")["data"][1:3] == b"\xfe\xff"
        and frame(i, "TAL")["data"][1:3] == b"\xff\xfe",
    "v23-unsync-crafted.mp3": lambda i: i["walk"].version == 3
        and i["walk"].flags & 0x80
        and i["data"][10:i["walk"].end].count(b"\xff\x00") >= 4
        and i["data"][i["walk"].end - 2:i["walk"].end] == b"\xff\x00",
    "v24-unsync-frames-crafted.mp3": lambda i: not i["walk"].flags & 0x80
        and frame(i, "TIT2")["flags"] == 0x0003
        and b"\xff\x00" in frame(i, "TIT2")["data"]
        and frame(i, "TALB")["flags"] == 0,
    "v24-unsync-tagflag-crafted.mp3": lambda i: i["walk"].flags & 0x80
        and all(f["flags"] == 0 and b"\xff\x00" in f["data"]
                for f in i["walk"].frames),
    "v23-extheader-crafted.mp3": lambda i: i["walk"].version == 3
        and i["walk"].flags & 0x40,
    "v24-extheader-crafted.mp3": lambda i: i["walk"].version == 4
        and i["walk"].flags & 0x40,
    "v23-compressed-title-crafted.mp3": lambda i:
        frame(i, "TIT2")["flags"] == 0x0080,
    "v24-encrypted-artist-crafted.mp3": lambda i:
        frame(i, "TPE1")["flags"] == 0x0004 and frame(i, "ENCR") is not None,
    "v24-compressed-then-plain-crafted.mp3": lambda i:
        frame(i, "TALB")["flags"] == 0x0009
        and frame(i, "TALB", 1)["flags"] == 0,
    "v24-plain-sizes-crafted.mp3": lambda i: [
        f["reading"] for f in i["walk"].frames] == ["plain", "plain"] + [
        "both"] * 3,
    "v24-picture-1mib-first-crafted.mp3": lambda i:
        i["walk"].frames[0]["id"] == "APIC"
        and i["walk"].frames[0]["size"] > 1000000
        and i["walk"].frames[0]["data"][13:17] == b"\x89PNG",
    "v23-frame-past-end-beside-v1-crafted.mp3": lambda i:
        "past the tag end" in (i["walk"].broken or "")
        and i["walk"].end < len(i["data"]) - 128,
    "v24-tag-past-eof-beside-v1-crafted.mp3": lambda i:
        "past the end of the file" in (i["walk"].broken or ""),
    "v23-bad-frame-id-crafted.mp3": lambda i:
        i["walk"].stop.startswith("invalid frame id")
        and b"TPE1" in i["data"][:i["walk"].end],
    "v23-duplicate-title-crafted.mp3": lambda i:
        frame(i, "TIT2", 1) is not None,
    "flac-vorbis-metaflac.flac": lambda i: i["data"][:4] == b"fLaC",
    "flac-picture-before-comments-metaflac.flac": lambda i:
        i["blocks"].index("Picture") < i["blocks"].index("VCFLACDict"),
    "flac-after-id3v2-comment-only-mid3v2.flac": lambda i:
        i["walk"] is not None and i["walk"].broken is None
        and i["data"][i["walk"].end:i["walk"].end + 4] == b"fLaC"
        and i["source"].startswith("FLAC"),
    "flac-id3v2-wins-mid3v2.flac": lambda i:
        i["data"][i["walk"].end:i["walk"].end + 4] == b"fLaC"
        and i["source"].startswith("ID3v2"),
    "v23-comment-only-id3v2tool.mp3": lambda i: i["walk"] is not None
        and [f["id"] for f in i["walk"].frames] == ["COMM"] and i["v1"] is None,
    "notag.mp3": lambda i: i["walk"] is None and i["v1"] is None,
    "notag-extra-pieces.mp3": lambda i: i["walk"] is None and i["v1"] is None,
    "notag-hyphens-only.mp3": lambda i: i["walk"] is None and i["v1"] is None,
}


def top(i):
    return [k for k, _, _ in i["mp4"]["top"]]


def moov_after_mdat(i):
    kinds = top(i)
    return b"mdat" in kinds and kinds.index(b"mdat") < kinds.index(b"moov")


def chunk_ids(i):
    return [c for c, _, _ in i["riff"]["chunks"]]


def utf8_ok(raw):
    try:
        raw.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def units(text):
    return sum(2 if ord(c) > 0xFFFF else 1 for c in text)


FACTS.update({
    "mp4-aac-moov-after-mdat-ffmpeg.m4a": lambda i: moov_after_mdat(i)
        and b"mp4a" in i["data"],
    "mp4-alac-faststart-ffmpeg.m4a": lambda i: not moov_after_mdat(i)
        and b"alac" in i["data"],
    "mp4-two-artists-mutagen.m4a": lambda i:
        i["mp4"]["types"][b"\xa9ART"] == [1, 1],
    "mp4-kid3cli.m4a": lambda i: len(i["mp4"]["items"]) >= 3,
    "mp4-atomicparsley.m4a": lambda i: not moov_after_mdat(i),
    "mp4-moov-after-4mib-mdat-crafted.m4a": lambda i: moov_after_mdat(i)
        and [s for k, _, s in i["mp4"]["top"] if k == b"mdat"][0] > 4 << 20
        and decodes(i["path"]),
    "mp4-64bit-sizes-crafted.m4a": lambda i: all(
        ("large", k) in i["mp4"]["log"] for k in (
            b"mdat", b"moov", b"udta", b"meta", b"ilst", b"\xa9nam", b"data"))
        and decodes(i["path"]),
    "mp4-size0-last-atom-crafted.m4a": lambda i: all(
        ("zero", k) in i["mp4"]["log"] for k in (b"moov", b"udta", b"meta"))
        and decodes(i["path"]),
    "mp4-meta-without-version-crafted.m4a": lambda i:
        i["mp4"]["meta_version"] is False and decodes(i["path"]),
    "mp4-udta-past-moov-beside-ape-crafted.m4a": lambda i:
        "atom b'udta'" in i["mp4"]["broken"] and not moov_after_mdat(i)
        and i["ape"]["fields"] is not None,
    "mp4-atom-smaller-than-header-beside-v1-crafted.m4a": lambda i:
        "smaller than its header" in i["mp4"]["broken"] and i["v1"] is not None,
    "mp4-item-size-ffffffff-beside-ape-crafted.m4a": lambda i:
        "b'\\xa9ART' of 4294967295 bytes" in i["mp4"]["broken"],
    "ogg-vorbis-ffmpeg.ogg": lambda i: i["ogg"]["codec"] == "vorbis",
    "opus-ffmpeg.opus": lambda i: i["ogg"]["codec"] == "opus",
    "ogg-flac-ffmpeg.oga": lambda i: i["ogg"]["codec"].startswith(b"\x7fFLAC")
        and usable(ruled(i["tool"])),
    "ogg-vorbis-oggenc.ogg": lambda i: i["ogg"]["codec"] == "vorbis"
        and i["ogg"]["names"][:3] == ["title", "artist", "album"],
    "ogg-vorbis-named-mp3-oggenc.mp3": lambda i: i["data"][:4] == b"OggS"
        and i["walk"] is None,
    "ogg-vorbis-two-artists-vorbiscomment.ogg": lambda i:
        "ARTIST" in i["ogg"]["names"] and "artist" in i["ogg"]["names"],
    "ogg-vorbis-multi-artist-lowercase-mutagen.ogg": lambda i: all(
        n in i["ogg"]["names"] for n in ("artist", "ARTIST", "Artist", "title")),
    "opus-opusenc.opus": lambda i: i["ogg"]["codec"] == "opus",
    "opus-picture-1mib-before-title-opusenc.opus": lambda i:
        [n.upper() for n in i["ogg"]["names"]].index("METADATA_BLOCK_PICTURE")
        < [n.upper() for n in i["ogg"]["names"]].index("TITLE")
        and len(i["ogg"]["comment_packet"]) > 1 << 20
        and len(i["ogg"]["pages"]) > 10 and i["ogg"]["bad_crc"] == 0,
    "opus-foreign-page-among-comment-pages-crafted.opus": lambda i:
        len({serial for _, serial, _ in i["ogg"]["pages"]}) == 2
        and i["ogg"]["bad_crc"] == 0,
    "opus-long-fields-cut-mutagen.opus": lambda i: all(
        units(i["container_fields"][k]) > 127 for k in FIELDS),
    "ogg-lacing-past-eof-crafted.ogg": lambda i:
        "lacing table" in i["ogg"]["broken"] and len(i["ogg"]["pages"]) == 1,
    "ogg-comment-count-ffffffff-beside-ape-crafted.ogg": lambda i:
        "0xFFFFFFFF" in i["ogg"]["broken"] and i["ogg"]["bad_crc"] == 0,
    "opus-comment-length-past-packet-beside-v1-crafted.opus": lambda i:
        "past the packet" in i["ogg"]["broken"] and i["ogg"]["bad_crc"] == 0,
    "asf-wma-ffmpeg.wma": lambda i: ";" in i["container_fields"]["artist"]
        and "/" in i["container_fields"]["artist"],
    "asf-object-size-past-header-beside-v1-crafted.wma": lambda i:
        "past the header" in i["asf"]["broken"]
        and i["asf"]["header_size"] < len(i["data"]),
    "wav-info-ffmpeg.wav": lambda i: i["riff"]["id3"] is None
        and utf8_ok(i["riff"]["info_raw"][b"INAM"])
        and max(i["riff"]["info_raw"][b"INAM"]) > 0x7F,
    "wav-info-cp1252-ffmpeg.wav": lambda i: i["riff"]["id3"] is None
        and not utf8_ok(i["riff"]["info_raw"][b"INAM"]),
    "wav-id3-beside-info-mutagen.wav": lambda i: i["riff"]["id3"] is not None
        and usable(i["riff"]["info"]),
    "wav-id3-comment-only-beside-info-mutagen.wav": lambda i:
        [f["id"] for f in i["chunk_walk"].frames] == ["COMM"],
    "wav-list-size-ffffffff-beside-v1-crafted.wav": lambda i:
        "b'LIST' of 4294967295 bytes" in i["riff"]["broken"],
    "aiff-id3-ffmpeg.aiff": lambda i: b"ID3 " in chunk_ids(i)
        and b"NAME" in chunk_ids(i),
    "aiff-name-only-ffmpeg.aiff": lambda i: b"NAME" in chunk_ids(i)
        and not {b"ID3 ", b"id3 "} & set(chunk_ids(i))
        and usable(ruled(i["tool"])),
    "aifc-id3-mutagen.aifc": lambda i: i["data"][8:12] == b"AIFC"
        and i["chunk_walk"].version == 3,
    "wv-ape-wavpack.wv": lambda i: i["data"][:4] == b"wvpk"
        and i["ape"]["footer"]["at"] == len(i["data"]) - 32,
    "mpc-ape-mpcenc.mpc": lambda i: i["data"][:4] == b"MPCK"
        and i["ape"]["footer"]["at"] == len(i["data"]) - 32,
    "mp3-ape-beside-v1-mutagen.mp3": lambda i:
        i["ape"]["footer"]["at"] == len(i["data"]) - 160 and usable(i["v1"]),
    "mp3-id3v2-wins-over-ape-mutagen.mp3": lambda i:
        usable(i["ape"]["fields"]) and i["walk"] is not None,
    "mp3-ape-multivalue-lowercase-mutagen.mp3": lambda i:
        sorted(i["ape"]["keys"]) == ["ARTIST", "album", "title"]
        and b"Uno\0Dos" in i["data"],
    "mp3-ape-size-past-start-beside-v1-crafted.mp3": lambda i:
        "past the start" in i["ape"]["broken"] and usable(i["v1"]),
    "mp3-ape-two-titles-crafted.mp3": lambda i:
        [k.lower() for k in i["ape"]["keys"]].count("title") == 2,
    "mp3-ape-item-count-ffffffff-beside-v1-crafted.mp3": lambda i:
        "0xFFFFFFFF" in i["ape"]["broken"] and usable(i["v1"]),
})


# ------------------------------------------------------------- the check

SOURCES = ("id3v2", "flac", "mp4", "ogg", "asf", "wav-id3", "wav-info",
           "aiff-id3", "ape", "id3v1", "title")
EXTENSIONS = ("mp3", "flac", "m4a", "m4b", "mp4", "ogg", "oga", "opus", "wma",
              "wav", "aif", "aiff", "aifc", "wv", "mpc", "ape")


def read_manifest(path):
    with open(path, "rb") as f:
        raw = f.read()
    if b"\r" in raw or not raw.endswith(b"\n"):
        sys.exit("manifest.txt: must use LF line ends and end with one")
    entries = []
    for n, line in enumerate(raw.decode("utf-8").split("\n")[:-1], 1):
        if line.startswith("#"):
            continue
        cols = line.split("\t")
        if len(cols) != 6:
            sys.exit("manifest.txt:%d: %d columns, not 6" % (n, len(cols)))
        if cols[5] not in SOURCES:
            sys.exit("manifest.txt:%d: unknown source %r" % (n, cols[5]))
        entries.append(cols)
    return entries


def check(name, playlist, expected, want_source):
    path = os.path.join(HERE, name)
    with open(path, "rb") as f:
        data = f.read()
    info = {"data": data, "path": path, "walk": walk_id3v2(data), "blocks": [],
            "v1": None, "tool": None}
    problems, result, source, kind = [], None, None, None

    # RULE: 1. an ID3v2 tag at offset 0.
    walk = info["walk"]
    if walk is not None and walk.broken is None:
        fields, reader, trouble = id3v2_fields(path, walk)
        problems += trouble
        if fields is not None and usable(fields):
            result, source, kind = fields, "ID3v2.%d read by %s" % (
                walk.version, reader), "id3v2"

    # RULE: 2. the container's own tags, by the first bytes: FLAC at 0 or
    # right after the ID3v2 tag, MP4, Ogg, ASF, RIFF WAVE, AIFF.
    flac_at = 0 if data[:4] == b"fLaC" else None
    if walk is not None and walk.broken is None and \
            data[walk.end:walk.end + 4] == b"fLaC":
        flac_at = walk.end
    if flac_at is not None:
        fields, info["blocks"] = flac_fields(path)
        if result is None and usable(fields):
            result, source, kind = fields, "FLAC comments read by mutagen", "flac"
    else:
        found, fields, trouble = container(name, data, path, info)
        info["container_fields"] = fields
        problems += trouble
        if result is None and found and usable(fields):
            tool = SECOND.get(name, {})
            tool = tool.get("id3" if found.endswith("-id3") else "container")
            result, source, kind = fields, "%s read by %s" % (found, tool), found

    # RULE: 3. APEv2 at the end or before ID3v1.
    fields, trouble = ape_source(name, data, path, info)
    problems += trouble
    if result is None and fields is not None and usable(fields):
        result, source, kind = fields, "APEv2 read by %s" % SECOND.get(
            name, {}).get("ape", "mutagen-ape"), "ape"

    info["v1"], trouble = id3v1_fields(data)
    problems += trouble
    if result is None and info["v1"] is not None and usable(info["v1"]):
        result, source, kind = info["v1"], "ID3v1 (code page 1252)", "id3v1"

    if result is None:
        result, source, kind = split_playlist(playlist), "playlist title", "title"
    result = {k: cut(result[k]) for k in FIELDS}
    info["result"], info["source"], info["kind"] = result, source, kind

    if kind != want_source:
        problems.append("source: expected %s, derived %s" % (want_source, kind))
    for k, want in zip(FIELDS, expected):
        if result[k] != want:
            problems.append("%s: expected %r, read %r" % (k, want, result[k]))
    fact = FACTS.get(name)
    if fact is None:
        problems.append("no fact in FACTS says what this file tests")
    else:
        try:
            holds = fact(info)
        except Exception as err:      # noqa: BLE001 - a missing frame, say
            holds, err_text = False, " (%s: %s)" % (type(err).__name__, err)
        else:
            err_text = ""
        if not holds:
            problems.append("the file no longer holds the case it is named "
                            "after" + err_text)
    return source, problems


def main():
    entries = read_manifest(os.path.join(HERE, "manifest.txt"))
    listed = [e[0] for e in entries]
    present = sorted(os.path.basename(p) for ext in EXTENSIONS
                     for p in glob.glob(os.path.join(HERE, "*." + ext)))
    failed = 0
    for name in sorted(set(present) - set(listed)):
        print("MISMATCH %s: not in manifest.txt" % name)
        failed += 1
    for name in sorted(set(listed) - set(present)):
        print("MISMATCH %s: in manifest.txt but missing" % name)
        failed += 1
    passed = 0
    for name, playlist, title, artist, album, want in entries:
        if name not in present:
            continue
        source, problems = check(name, playlist, (title, artist, album), want)
        if problems:
            failed += 1
            print("MISMATCH %s [%s]" % (name, source))
            for p in problems:
                print("         " + p)
        else:
            passed += 1
            print("ok       %s [%s]" % (name, source))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
