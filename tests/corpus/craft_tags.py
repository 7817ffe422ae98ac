#!/usr/bin/python3
"""Rewrites a few bytes of real files made by ffmpeg, oggenc, opusenc and
mutagen into the cases no packaged tool writes: 64-bit and size-0 MP4
atoms, a meta atom without version and flags, a 4 MiB mdat, and broken
sizes and counts in MP4, Ogg, ASF, RIFF and APEv2 structures, a page of
another stream among an Ogg comment header's pages, and two APEv2 items of
one key.

    craft_tags.py CASE IN OUT

CASE is one of the names in CASES below. IN is read, changed as the case
says, and written to OUT. Everything else of the file stays as the tool
wrote it, so the audio still plays where the case allows.

Only the Python standard library is used, and every case is a few plain
lines, so that a reader can check the bytes against the rules by eye.
"""

import struct
import sys


# ------------------------------------------------------------------- MP4
# An atom: 32-bit big-endian size (header included) and a 4-byte type;
# size 1 means a 64-bit size follows, size 0 means "to the end of the
# parent". Only the atoms on the way to the tag items are opened here.

OPEN = {b"moov", b"udta", b"meta", b"ilst", b"\xa9nam", b"\xa9ART", b"\xa9alb"}


class Atom:
    def __init__(self, kind, body, children=None, prefix=b""):
        self.kind = kind          # 4-byte type
        self.body = body          # bytes of a closed atom
        self.children = children  # list of Atom for an opened one
        self.prefix = prefix      # meta's 4 bytes of version and flags
        self.large = False        # write a 64-bit size
        self.zero = False         # write size 0


def parse(data, start, end):
    atoms, pos = [], start
    while pos < end:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        head = 8
        if size == 1:
            size, head = struct.unpack(">Q", data[pos + 8:pos + 16])[0], 16
        elif size == 0:
            size = end - pos
        assert head <= size and pos + size <= end, "tool wrote a broken atom"
        body_at = pos + head
        if kind in OPEN:
            prefix = data[body_at:body_at + 4] if kind == b"meta" else b""
            atom = Atom(kind, None, parse(data, body_at + len(prefix), pos + size),
                        prefix)
        else:
            atom = Atom(kind, data[body_at:pos + size])
        atoms.append(atom)
        pos += size
    return atoms


def write(atoms):
    out = b""
    for a in atoms:
        body = a.prefix + write(a.children) if a.children is not None else a.body
        if a.zero:
            out += struct.pack(">I4s", 0, a.kind) + body
        elif a.large:
            out += struct.pack(">I4sQ", 1, a.kind, 16 + len(body)) + body
        else:
            out += struct.pack(">I4s", 8 + len(body), a.kind) + body
    return out


def find(atoms, *path):
    """The atom at path (types), each step the first of its type."""
    for kind in path:
        atom = next(a for a in atoms if a.kind == kind)
        atoms = atom.children
    return atom


def offset_of(data, atoms, *path):
    """File offset of the atom at path, for cases that patch bytes in place
    (so that no offset in the file moves)."""
    pos, level = 0, atoms
    for depth, kind in enumerate(path):
        for a in level:
            size = len(write([a]))
            if a.kind == kind:
                break
            pos += size
        if depth + 1 < len(path):
            pos += 8 + len(a.prefix)          # into the body (8-byte headers)
            level = a.children
    assert data[pos + 4:pos + 8] == path[-1]
    return pos


def mp4_64bit_sizes(data):
    """Every atom on the way to the tag text gets a 64-bit size (size field
    1, then 8 bytes), and the 8-byte "free" atom ffmpeg leaves before mdat
    is used, as ffmpeg itself does for big files, to give mdat a 64-bit
    size without moving the audio (moov, after mdat, may grow)."""
    atoms = parse(data, 0, len(data))
    kinds = [a.kind for a in atoms]
    assert kinds == [b"ftyp", b"free", b"mdat", b"moov"], kinds
    assert len(atoms[1].body) == 0
    del atoms[1]
    atoms[1].large = True
    for path in ((b"moov",), (b"moov", b"udta"), (b"moov", b"udta", b"meta"),
                 (b"moov", b"udta", b"meta", b"ilst")):
        find(atoms, *path).large = True
    for item in find(atoms, b"moov", b"udta", b"meta", b"ilst").children:
        item.large = True
        for d in item.children:
            d.large = True
    return write(atoms)


def mp4_size0_last_atom(data):
    """moov, the last atom of the file (it follows mdat), says size 0: it
    extends to the end of the file. Its last child udta, and udta's last
    child meta, say size 0 too: each extends to the end of its parent."""
    atoms = parse(data, 0, len(data))
    assert atoms[-1].kind == b"moov"
    atoms[-1].zero = True
    moov = atoms[-1].children
    assert moov[-1].kind == b"udta" and moov[-1].children[-1].kind == b"meta"
    moov[-1].zero = True
    moov[-1].children[-1].zero = True
    return write(atoms)


def mp4_meta_without_version(data):
    """The meta atom loses its 4 bytes of version and flags, as in
    QuickTime files: its first child (hdlr) starts right after its header.
    moov follows mdat, so no chunk offset moves."""
    atoms = parse(data, 0, len(data))
    assert atoms[-1].kind == b"moov"
    meta = find(atoms, b"moov", b"udta", b"meta")
    assert meta.prefix == bytes(4) and meta.children[0].kind == b"hdlr"
    meta.prefix = b""
    return write(atoms)


def mp4_big_mdat(data):
    """mdat grows by 4 MiB of zero bytes at its end; its size is fixed. The
    chunk offsets in moov (after mdat) still point at the audio at the
    start of mdat, so the file stays valid. The zeros pack to almost
    nothing in git."""
    atoms = parse(data, 0, len(data))
    assert [a.kind for a in atoms][-2:] == [b"mdat", b"moov"]
    atoms[-2].body += bytes(4 << 20)
    return write(atoms)


def mp4_udta_past_moov(data):
    """udta says it is 4000 bytes longer than it is: it points past the end
    of moov (which is followed by mdat, so the size still lies inside the
    file). Patched in place: no offset moves."""
    atoms = parse(data, 0, len(data))
    kinds = [a.kind for a in atoms]
    assert kinds.index(b"moov") < kinds.index(b"mdat"), kinds
    at = offset_of(data, atoms, b"moov", b"udta")
    size = struct.unpack(">I", data[at:at + 4])[0]
    return data[:at] + struct.pack(">I", size + 4000) + data[at + 4:]


def mp4_atom_smaller_than_header(data):
    """The first tag item inside ilst says size 4, less than the 8 bytes of
    its own header."""
    atoms = parse(data, 0, len(data))
    first = find(atoms, b"moov", b"udta", b"meta", b"ilst").children[0].kind
    at = offset_of(data, atoms, b"moov", b"udta", b"meta", b"ilst", first)
    return data[:at] + struct.pack(">I", 4) + data[at + 4:]


def mp4_item_size_ffffffff(data):
    """The artist item inside ilst says size 0xFFFFFFFF."""
    atoms = parse(data, 0, len(data))
    at = offset_of(data, atoms, b"moov", b"udta", b"meta", b"ilst", b"\xa9ART")
    return data[:at] + b"\xff\xff\xff\xff" + data[at + 4:]


# ------------------------------------------------------------------- Ogg
# A page: "OggS", version, flags, granule (8), serial, sequence, CRC (4),
# segment count, lacing table, data. The CRC is recomputed after a change
# so that the page stays valid to any reader that checks it.

def ogg_crc(page):
    crc = 0
    for byte in page:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def ogg_pages(data):
    """(offset, length, body offset) of each page."""
    pages, pos = [], 0
    while pos < len(data):
        assert data[pos:pos + 4] == b"OggS"
        count = data[pos + 26]
        body = pos + 27 + count
        length = 27 + count + sum(data[pos + 27:body])
        pages.append((pos, length, body))
        pos += length
    return pages


def ogg_patch(data, at, new):
    """Replaces bytes at file offset at (inside one page's data) and fixes
    that page's CRC."""
    for start, length, body in ogg_pages(data):
        if body <= at < start + length:
            page = bytearray(data[start:start + length])
            page[at - start:at - start + len(new)] = new
            page[22:26] = bytes(4)
            page[22:26] = struct.pack("<I", ogg_crc(page))
            return data[:start] + bytes(page) + data[start + length:]
    raise AssertionError("offset not in a page")


def comment_header(data):
    """File offset of the comment packet (the second page's data; oggenc
    and opusenc start it on the second page) and the length of its magic."""
    start, length, body = ogg_pages(data)[1]
    magic = 8 if data[body:body + 8] == b"OpusTags" else 7
    assert data[body:body + magic] in (b"OpusTags", b"\x03vorbis")
    return body, magic


def ogg_lacing_past_eof(data):
    """The file ends 3 bytes into the lacing table of its second page, the
    page that holds the comment packet: the table reaches past the end of
    the file."""
    start, length, body = ogg_pages(data)[1]
    assert data[start + 26] > 3
    return data[:start + 27 + 3]


def ogg_comment_count_ffffffff(data):
    """The comment count after the vendor string says 0xFFFFFFFF."""
    at, magic = comment_header(data)
    vendor = struct.unpack("<I", data[at + magic:at + magic + 4])[0]
    return ogg_patch(data, at + magic + 4 + vendor, b"\xff\xff\xff\xff")


def ogg_comment_length_past_packet(data):
    """The length of the first comment says 1,000,000 bytes, far past the
    end of its packet (and of the file)."""
    at, magic = comment_header(data)
    vendor = struct.unpack("<I", data[at + magic:at + magic + 4])[0]
    return ogg_patch(data, at + magic + 8 + vendor, struct.pack("<I", 1000000))


def ogg_foreign_page_among_comment_pages(data):
    """A full page of another logical stream (a copy of one of the comment
    header's full pages under another serial number) stands between the
    comment header's first two full pages. The comment header's own pages
    are all there, in sequence; but where full pages of its stream alone
    would put a page some pages on, the page found carries the stream's
    serial and the continued flag with a sequence number one lower: a page
    of the stream is missing before it, from where the skip ahead looks."""
    pages = ogg_pages(data)
    serial = data[14:18]
    full = [p for p in pages[1:] if data[p[0] + 26] == 255 and data[p[0] + 5] & 1
            and data[p[0] + 14:p[0] + 18] == serial]
    assert len(full) >= 4, "the comment header must span many full pages"
    start, length, body = full[0]
    foreign = bytearray(data[start:start + length])
    foreign[14:18] = struct.pack("<I", struct.unpack("<I", bytes(serial))[0] + 1)
    foreign[22:26] = bytes(4)
    foreign[22:26] = struct.pack("<I", ogg_crc(foreign))
    at = start + length
    return data[:at] + bytes(foreign) + data[at:]


# ------------------------------------------------------------------- ASF
# Objects: a 16-byte GUID and a 64-bit little-endian size (header
# included). The header object also has a child count and 2 reserved bytes.

HEADER = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
CONTENT_DESCRIPTION = bytes.fromhex("3326b2758e66cf11a6d900aa0062ce6c")


def asf_object_past_header(data):
    """The Content Description Object says it is 5000 bytes longer than it
    is: it points past the end of the header object (the data object
    follows, so the size may still lie inside the file)."""
    assert data[:16] == HEADER
    header_size = struct.unpack("<Q", data[16:24])[0]
    pos = 30
    while data[pos:pos + 16] != CONTENT_DESCRIPTION:
        pos += struct.unpack("<Q", data[pos + 16:pos + 24])[0]
        assert pos < header_size
    size = struct.unpack("<Q", data[pos + 16:pos + 24])[0]
    assert pos + size + 5000 > header_size
    return data[:pos + 16] + struct.pack("<Q", size + 5000) + data[pos + 24:]


# ------------------------------------------------------------------ RIFF

def riff_list_size_ffffffff(data):
    """The LIST chunk (INFO) says size 0xFFFFFFFF."""
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    pos = 12
    while data[pos:pos + 4] != b"LIST":
        pos += 8 + struct.unpack("<I", data[pos + 4:pos + 8])[0]
        pos += pos & 1
    return data[:pos + 4] + b"\xff\xff\xff\xff" + data[pos + 8:]


# ----------------------------------------------------------------- APEv2
# The 32-byte footer: "APETAGEX", version, tag size (items + footer), item
# count, flags, 8 reserved bytes; at the end of the file or right before
# an ID3v1 tag.

def ape_footer(data):
    at = len(data) - 32
    if data[-128:-125] == b"TAG":
        at -= 128
    assert data[at:at + 8] == b"APETAGEX"
    return at


def ape_size_past_start(data):
    """The footer's tag size says 1000 bytes more than the whole file
    before the footer: the tag would start before the file."""
    at = ape_footer(data)
    return data[:at + 12] + struct.pack("<I", at + 32 + 1000) + data[at + 16:]


def ape_two_titles(data):
    """The item key "Tytle" becomes "TITLE": the tag then holds two Title
    items, the one mutagen wrote first (the shorter) and this later one."""
    at = ape_footer(data)
    size = struct.unpack("<I", data[at + 12:at + 16])[0]
    key = data.index(b"\0Tytle\0", at + 32 - size) + 1
    return data[:key] + b"TITLE" + data[key + 5:]


def ape_item_count_ffffffff(data):
    """The footer's item count says 0xFFFFFFFF."""
    at = ape_footer(data)
    return data[:at + 16] + b"\xff\xff\xff\xff" + data[at + 20:]


CASES = {
    "mp4-64bit-sizes": mp4_64bit_sizes,
    "mp4-size0-last-atom": mp4_size0_last_atom,
    "mp4-meta-without-version": mp4_meta_without_version,
    "mp4-big-mdat": mp4_big_mdat,
    "mp4-udta-past-moov": mp4_udta_past_moov,
    "mp4-atom-smaller-than-header": mp4_atom_smaller_than_header,
    "mp4-item-size-ffffffff": mp4_item_size_ffffffff,
    "ogg-lacing-past-eof": ogg_lacing_past_eof,
    "ogg-comment-count-ffffffff": ogg_comment_count_ffffffff,
    "ogg-comment-length-past-packet": ogg_comment_length_past_packet,
    "ogg-foreign-page-among-comment-pages": ogg_foreign_page_among_comment_pages,
    "asf-object-past-header": asf_object_past_header,
    "riff-list-size-ffffffff": riff_list_size_ffffffff,
    "ape-size-past-start": ape_size_past_start,
    "ape-item-count-ffffffff": ape_item_count_ffffffff,
    "ape-two-titles": ape_two_titles,
}


def main(argv):
    if len(argv) != 4 or argv[1] not in CASES:
        sys.exit("usage: craft_tags.py CASE IN OUT\ncases: " + " ".join(CASES))
    with open(argv[2], "rb") as f:
        data = f.read()
    out = CASES[argv[1]](data)
    assert out != data
    with open(argv[3], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv)
