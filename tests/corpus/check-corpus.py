#!/usr/bin/python3
"""A second, independent reading of every audio file of this folder,
checked against manifest.txt.

    /usr/bin/python3 tests/corpus/check-corpus.py

Needs Debian's python3-mutagen and python3-eyed3 (make-corpus.sh installs
them). Each file is read by a different tool from the one that wrote it:

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

Prints one line per file and exits non-zero on any mismatch.
"""

import glob
import logging
import os
import re
import struct
import sys

import eyed3
import eyed3.id3
import mutagen.flac
import mutagen.id3

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


def id3v2_fields(path, walk):
    """The three fields by the rules from an independent reading; also
    returns notes and a list of disagreements with the walker."""
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


# ------------------------------------------------------------- the check

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
        if len(cols) != 5:
            sys.exit("manifest.txt:%d: %d columns, not 5" % (n, len(cols)))
        entries.append(cols)
    return entries


def check(name, playlist, expected):
    path = os.path.join(HERE, name)
    with open(path, "rb") as f:
        data = f.read()
    info = {"data": data, "walk": walk_id3v2(data), "blocks": [], "v1": None}
    problems, result, source = [], None, None

    walk = info["walk"]
    if walk is not None and walk.broken is None:
        fields, reader, trouble = id3v2_fields(path, walk)
        problems += trouble
        if fields is not None and usable(fields):
            result, source = fields, "ID3v2.%d read by %s" % (
                walk.version, reader)

    flac_at = 0 if data[:4] == b"fLaC" else None
    if walk is not None and walk.broken is None and \
            data[walk.end:walk.end + 4] == b"fLaC":
        flac_at = walk.end
    if flac_at is not None:
        fields, info["blocks"] = flac_fields(path)
        if result is None and usable(fields):
            result, source = fields, "FLAC comments read by mutagen"

    info["v1"], trouble = id3v1_fields(data)
    problems += trouble
    if result is None and info["v1"] is not None and usable(info["v1"]):
        result, source = info["v1"], "ID3v1 (code page 1252)"

    if result is None:
        result, source = split_playlist(playlist), "playlist title"
    result = {k: cut(result[k]) for k in FIELDS}
    info["result"], info["source"] = result, source

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
    present = sorted(os.path.basename(p) for p in
                     glob.glob(os.path.join(HERE, "*.mp3"))
                     + glob.glob(os.path.join(HERE, "*.flac")))
    failed = 0
    for name in sorted(set(present) - set(listed)):
        print("MISMATCH %s: not in manifest.txt" % name)
        failed += 1
    for name in sorted(set(listed) - set(present)):
        print("MISMATCH %s: in manifest.txt but missing" % name)
        failed += 1
    passed = 0
    for name, playlist, title, artist, album in entries:
        if name not in present:
            continue
        source, problems = check(name, playlist, (title, artist, album))
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
