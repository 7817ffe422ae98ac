#!/usr/bin/python3
"""Writes the ID3v2 tags that no packaged tagging tool writes, in front of
real audio made by lame.

    craft_id3.py CASE AUDIO OUT [PICTURE]

CASE is one of the names in CASES below. The tag is written first, then the
bytes of AUDIO (which may already end with an ID3v1 tag written by a real
tool). PICTURE is the image for the "picture-first" case.

Only the Python standard library is used, and every case is a few plain
lines, so that a reader can check the bytes against the rules by eye.
"""

import struct
import sys
import zlib


# ---------------------------------------------------------------- helpers

def syncsafe(n, width=4):
    """n stored 7 bits a byte, most significant byte first."""
    assert 0 <= n < 1 << (7 * width)
    return bytes((n >> (7 * i)) & 0x7F for i in reversed(range(width)))


def unsync(data):
    """Put a zero after every 0xFF that is followed by a byte >= 0xE0 or by
    a zero, and after a 0xFF at the very end, so that no false MPEG sync
    is left in the bytes."""
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0
                          or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


# encoding name -> (encoding byte, how one value is encoded, separator)
ENCODINGS = {
    "latin1": (0, lambda s: s.encode("latin-1"), b"\0"),
    "utf16le-bom": (1, lambda s: b"\xff\xfe" + s.encode("utf-16-le"), b"\0\0"),
    "utf16be-bom": (1, lambda s: b"\xfe\xff" + s.encode("utf-16-be"), b"\0\0"),
    "utf16be": (2, lambda s: s.encode("utf-16-be"), b"\0\0"),
    "utf8": (3, lambda s: s.encode("utf-8"), b"\0"),
}


def text(encoding, *values):
    """Body of a text frame: the encoding byte, then the values, each one
    with its own byte order mark where the encoding has one, separated by a
    zero of the encoding's width."""
    number, encode, zero = ENCODINGS[encoding]
    return bytes([number]) + zero.join(encode(v) for v in values)


def comment(encoding, lang, desc, value):
    """Body of a COMM (or COM in 2.2) frame."""
    number, encode, zero = ENCODINGS[encoding]
    return bytes([number]) + lang + encode(desc) + zero + encode(value)


def frame22(fid, body):
    return fid.encode("ascii") + struct.pack(">I", len(body))[1:] + body


def frame23(fid, body, flags=0):
    return fid.encode("ascii") + struct.pack(">IH", len(body), flags) + body


def frame24(fid, body, flags=0, plain_size=False):
    size = struct.pack(">I", len(body)) if plain_size else syncsafe(len(body))
    return fid.encode("ascii") + size + struct.pack(">H", flags) + body


def header(version, flags, size):
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(size)


def tag(version, body, flags=0):
    return header(version, flags, len(body)) + body


# ------------------------------------------------------------------ cases

def v22(picture):
    """Version 2.2: three-letter frame ids and three-byte sizes (TT2, TP1,
    TAL), a comment first, UTF-16 in both byte orders."""
    frames = (frame22("COM", comment("latin1", b"eng", "", "three-letter ids"))
              + frame22("TT2", text("latin1", "Version Two Point Two"))
              + frame22("TP1", text("utf16be-bom", "Ålder Ärtist ☂"))
              + frame22("TAL", text("utf16le-bom", "Älbum 𝄞 Twenty-Two")))
    return tag(2, frames + bytes(32))


def v23_unsync(picture):
    """Version 2.3 with the whole tag unsynchronised. The texts hold 0xFF
    bytes (ÿ in Latin-1, the UTF-16 byte order marks, ÿ in UTF-16), so zeros
    really are inserted and must be taken out before the frames are read.
    The album is the last frame and ends in 0xFF with no padding, so the
    tag itself ends with an inserted zero."""
    frames = (frame23("TIT2", text("latin1", "Hÿÿdra ÿé"))
              + frame23("TPE1", text("utf16le-bom", "Kÿlie Ünsync"))
              + frame23("TALB", text("utf16be-bom", "Ålbum ÿ")))
    body = unsync(frames)
    assert len(body) > len(frames)
    return tag(3, body, flags=0x80)


def v24_unsync_frames(picture):
    """Version 2.4 with unsynchronisation per frame: the title and artist
    frames carry the unsynchronisation flag and a data length indicator;
    the album frame is plain. The tag header flag is not set."""
    def unsynced(fid, body):
        stored = unsync(body)
        assert len(stored) > len(body)
        return frame24(fid, syncsafe(len(body)) + stored, flags=0x0003)
    frames = (unsynced("TIT2", text("utf16le-bom", "Frame ÿ Unsync"))
              + unsynced("TPE1", text("latin1", "Bjørn ÿÿ"))
              + frame24("TALB", text("utf8", "Plain UTF-8 Album"))
              + bytes(64))
    return tag(4, frames)


def v24_unsync_tagflag(picture):
    """Version 2.4 where only the tag header says unsynchronised and no
    frame has the flag: every frame must still be un-unsynchronised."""
    def unsynced(fid, body):
        stored = unsync(body)
        assert len(stored) > len(body)
        return frame24(fid, stored)
    frames = (unsynced("TIT2", text("latin1", "Tag-wide ÿÿ Flag"))
              + unsynced("TPE1", text("utf16le-bom", "Only The Header Flag"))
              + unsynced("TALB", text("utf16be-bom", "Whole Tag Ünsync ÿ"))
              + bytes(64))
    return tag(4, frames, flags=0x80)


def v23_extheader(picture):
    """Version 2.3 with an extended header (10 bytes after its size: flags
    with the CRC bit, the padding size and the CRC). It must be skipped."""
    frames = (frame23("TIT2", text("latin1", "Extended Header Three"))
              + frame23("TPE1", text("latin1", "Ext Ärtist"))
              + frame23("TALB", text("latin1", "Skipped Header Album")))
    padding = 100
    ext = struct.pack(">IHII", 10, 0x8000, padding, zlib.crc32(frames))
    return tag(3, ext + frames + bytes(padding), flags=0x40)


def v24_extheader(picture):
    """Version 2.4 with an extended header of 13 bytes (syncsafe size that
    counts itself, one flag byte: "tag is an update" with no data and
    "CRC" with five syncsafe bytes). It must be skipped."""
    frames = (frame24("TIT2", text("utf8", "Extended Header Four ✓"))
              + frame24("TPE1", text("utf8", "Ext Ärtist Four"))
              + frame24("TALB", text("utf8", "Skipped Header Album IV"))
              + bytes(100))
    flag_data = b"\x00" + b"\x05" + syncsafe(zlib.crc32(frames), 5)
    ext_size = 4 + 1 + 1 + len(flag_data)
    ext = syncsafe(ext_size) + b"\x01" + bytes([0x40 | 0x20]) + flag_data
    assert len(ext) == ext_size == 13
    return tag(4, ext + frames, flags=0x40)


def v23_compressed_title(picture):
    """Version 2.3 with a zlib-compressed title frame (flag 0x0080, then
    the 4-byte uncompressed size). Compressed frames are skipped as if
    absent: no title, but artist and album come through."""
    raw = text("latin1", "Hidden Compressed Title")
    packed = struct.pack(">I", len(raw)) + zlib.compress(raw, 9)
    frames = (frame23("TIT2", packed, flags=0x0080)
              + frame23("TPE1", text("latin1", "Zlib Artist"))
              + frame23("TALB", text("latin1", "Squeezed Album"))
              + bytes(50))
    return tag(3, frames)


def v24_encrypted_artist(picture):
    """Version 2.4 with an encrypted artist frame (flag 0x0004, then the
    method byte registered by an ENCR frame). Encrypted frames are skipped
    as if absent: no artist, title and album come through."""
    raw = text("utf8", "Secret Artist")
    scrambled = bytes(b ^ 0x5A for b in raw)
    frames = (frame24("ENCR", b"mailto:keys@example.invalid\0" + b"\x80")
              + frame24("TIT2", text("utf8", "Open Title"))
              + frame24("TPE1", b"\x80" + scrambled, flags=0x0004)
              + frame24("TALB", text("utf8", "Open Album"))
              + bytes(50))
    return tag(4, frames)


def v24_compressed_then_plain(picture):
    """Version 2.4 with a compressed album frame (flags 0x0009: compressed,
    with a data length indicator) and, later, a plain album frame. The
    compressed one is skipped as if absent, so the plain one is the first
    album frame that counts."""
    raw = text("utf8", "Squeezed Album Skipped")
    packed = syncsafe(len(raw)) + zlib.compress(raw, 9)
    frames = (frame24("TALB", packed, flags=0x0009)
              + frame24("TIT2", text("utf8", "Second Album Frame"))
              + frame24("TPE1", text("utf8", "Compressed First"))
              + frame24("TALB", text("utf8", "Plain Album Counts"))
              + bytes(50))
    return tag(4, frames)


def v24_plain_sizes(picture):
    """Version 2.4 written with plain big-endian frame sizes instead of
    syncsafe ones (an old fault of some writers). The first two frames are
    300 and 336 bytes long: read as syncsafe those sizes would be 172 and
    208 and land in the middle of lower-case text, so only the plain reading
    lands on the next frame header."""
    notes = "these frame sizes are written as plain numbers, " * 7
    txxx = text("utf8", "notes", notes)[:300]
    comm = comment("utf8", b"eng", "", "a long comment before the title, " * 11)[:336]
    assert len(txxx) == 300 and len(comm) == 336
    frames = (frame24("TXXX", txxx, plain_size=True)
              + frame24("COMM", comm, plain_size=True)
              + frame24("TIT2", text("utf8", "Plain Sizes ✓"), plain_size=True)
              + frame24("TPE1", text("utf8", "Faulty Writer"), plain_size=True)
              + frame24("TALB", text("utf8", "Size Bytes Not Syncsafe"), plain_size=True)
              + bytes(64))
    return tag(4, frames)


def v24_picture_first(picture):
    """Version 2.4 with a picture of about 1 MiB as the FIRST frame, before
    the text frames: a reader must step over it by its size, without
    reading it, and still find the text."""
    with open(picture, "rb") as f:
        image = f.read()
    apic = b"\x00" + b"image/png\0" + b"\x03" + b"\0" + image
    frames = (frame24("APIC", apic)
              + frame24("TIT2", text("utf8", "Cover Comes First"))
              + frame24("TPE1", text("utf8", "Big Picture Band"))
              + frame24("TALB", text("utf8", "One Mebibyte of Noise"))
              + bytes(256))
    return tag(4, frames)


def v23_frame_past_end(picture):
    """Version 2.3 whose artist frame says it is 4000 bytes long while the
    tag ends 18 bytes into it (the audio and a good ID3v1 tag follow, so the
    size still lies inside the file). The whole ID3v2 tag must be ignored
    and the ID3v1 tag used."""
    artist = frame23("TPE1", text("latin1", "Broken Tag Artist"))
    artist = artist[:4] + struct.pack(">I", 4000) + artist[8:]
    frames = frame23("TIT2", text("latin1", "Broken Tag Title")) + artist
    return tag(3, frames)


def v24_tag_past_eof(picture):
    """Version 2.4 whose header claims a tag of 2,000,000 bytes in a file
    of a few hundred: the tag must be ignored and the ID3v1 tag at the end
    used."""
    frames = (frame24("TIT2", text("utf8", "Truncated Tag Title"))
              + frame24("TPE1", text("utf8", "Truncated Tag Artist"))
              + frame24("TALB", text("utf8", "Truncated Tag Album")))
    return header(4, 0, 2000000) + frames


def v23_bad_frame_id(picture):
    """Version 2.3 where a frame with a lower-case id ("tpe1", not four
    characters of A-Z/0-9) follows the title and album. It ends the frame
    list like padding: title and album are kept, the artist frame after it
    is never reached."""
    frames = (frame23("TIT2", text("latin1", "Kept Before Bad Id"))
              + frame23("TALB", text("latin1", "Kept Album"))
              + frame23("tpe1", text("latin1", "Lower-Case Id"))
              + frame23("TPE1", text("latin1", "Lost After Bad Id"))
              + bytes(40))
    return tag(3, frames)


def v23_duplicate_title(picture):
    """Version 2.3 with two title frames: the first one counts."""
    frames = (frame23("TIT2", text("latin1", "First Title Wins"))
              + frame23("TPE1", text("latin1", "Duplicate Frames"))
              + frame23("TIT2", text("latin1", "Second Title Loses"))
              + frame23("TALB", text("latin1", "First One Counts"))
              + bytes(40))
    return tag(3, frames)


CASES = {
    "v22": v22,
    "v23-unsync": v23_unsync,
    "v24-unsync-frames": v24_unsync_frames,
    "v24-unsync-tagflag": v24_unsync_tagflag,
    "v23-extheader": v23_extheader,
    "v24-extheader": v24_extheader,
    "v23-compressed-title": v23_compressed_title,
    "v24-encrypted-artist": v24_encrypted_artist,
    "v24-compressed-then-plain": v24_compressed_then_plain,
    "v24-plain-sizes": v24_plain_sizes,
    "v24-picture-first": v24_picture_first,
    "v23-frame-past-end": v23_frame_past_end,
    "v24-tag-past-eof": v24_tag_past_eof,
    "v23-bad-frame-id": v23_bad_frame_id,
    "v23-duplicate-title": v23_duplicate_title,
}


def main(argv):
    if len(argv) not in (4, 5) or argv[1] not in CASES:
        sys.exit("usage: craft_id3.py CASE AUDIO OUT [PICTURE]\ncases: "
                 + " ".join(CASES))
    case, audio, out = argv[1], argv[2], argv[3]
    picture = argv[4] if len(argv) == 5 else None
    with open(audio, "rb") as f:
        sound = f.read()
    if sound[:3] == b"ID3":
        sys.exit("craft_id3.py: %s already starts with an ID3v2 tag" % audio)
    with open(out, "wb") as f:
        f.write(CASES[case](picture) + sound)


if __name__ == "__main__":
    main(sys.argv)
