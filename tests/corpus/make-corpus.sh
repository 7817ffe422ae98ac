#!/bin/sh
# Regenerates every audio file of this folder, then checks them all against
# manifest.txt with check-corpus.py.
#
#   sh tests/corpus/make-corpus.sh        (as root, on Debian 12, from anywhere)
#
# The audio is real (a 0.2 s tone made by sox, encoded by lame, ffmpeg,
# flac, oggenc, opusenc, wavpack or mpcenc). The tags are written by
# independent tagging tools from Debian's packages wherever one can write
# what a file needs; craft_id3.py writes only what none of them writes
# (ID3v2.2, unsynchronisation, extended headers, compressed and encrypted
# frames, plain frame sizes in 2.4, a picture before the text, broken
# sizes), and craft_tags.py changes a few bytes of tool-made MP4, Ogg, ASF,
# RIFF and APEv2 files (64-bit and size-0 atoms, meta without version, a
# 4 MiB mdat, broken sizes and counts). Regenerating may give different
# bytes with other tool versions; the manifest must still hold, and the
# check at the end says so.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
# Debian's own Python: python3-mutagen and python3-eyed3 are installed there,
# whatever other python3 comes first in PATH.
PY=/usr/bin/python3
# ImageMagick's convert itself, not some other program of that name.
CONVERT=/usr/bin/convert
# The tools take their text arguments as UTF-8.
LC_ALL=C.UTF-8
export LC_ALL

# ------------------------------------------------------------------ tools
missing=""
for pkg in python3 python3-mutagen eyed3 sox lame flac id3v2 kid3-cli ffmpeg \
        imagemagick atomicparsley vorbis-tools opus-tools wavpack musepack-tools \
        mediainfo libimage-exiftool-perl faketime; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    apt-get update
    # shellcheck disable=SC2086  # one word per package
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# kid3-cli keeps its settings under HOME: give it an empty one, so that
# nobody's own settings change what it writes.
mkdir "$work/home"

# ------------------------------------------------------------ raw material
# A 0.2 s mono tone at 8 kHz (-R -D: no random dither, so the same bytes
# every time); lame makes an 8 kbit/s MP3 of it without tags.
sox -R -D -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 0.2 sine 440 vol 0.3
lame --quiet -b 8 -m m "$work/tone.wav" "$work/plain.mp3"
# The same tone as FLAC, with its small padding; flac writes a seek table
# and a Vorbis comment block holding only its vendor string.
flac --silent --force --padding=64 -o "$work/plain.flac" "$work/tone.wav"
# The picture for the 1 MiB case: 600x600 random RGB pixels (seeded) as a
# PNG, which cannot be compressed, so it stays at about 1 MiB.
$CONVERT -seed 42 -size 600x600 xc: -channel RGB -fx 'rand()' +channel \
    -depth 8 -type TrueColor -strip -define png:exclude-chunks=date,time \
    "$work/noise.png"
# A small real picture for the FLAC picture block.
$CONVERT -seed 7 -size 48x48 plasma:fractal -strip \
    -define png:exclude-chunks=date,time "$work/cover.png"

rm -f "$here"/*.mp3 "$here"/*.flac "$here"/*.m4a "$here"/*.ogg "$here"/*.oga \
    "$here"/*.opus "$here"/*.wma "$here"/*.wav "$here"/*.aiff "$here"/*.aifc \
    "$here"/*.wv "$here"/*.mpc

# new NAME [SOURCE]: copy the untagged audio to NAME in this folder; the
# path is left in $f.
new() {
    f="$here/$1"
    cp "${2:-$work/plain.mp3}" "$f"
}
craft() {
    $PY "$here/craft_id3.py" "$@"
}
crafttags() {
    $PY "$here/craft_tags.py" "$@"
}
mutagen() {
    $PY - "$f"
}

# ----------------------------------------------- ID3v2 written by the tools

# ID3v2.3 in ISO-8859-1, by id3v2 (id3lib). id3v2 stores the argument bytes
# as they are, so they are given in Latin-1: é, ë, Ø, ç, ¿.
new v23-latin1-id3v2tool.mp3
id3v2 -2 -t "$(printf 'Caf\351 au lait')" -a "$(printf 'Zo\353 \330stergaard')" \
    -A "$(printf 'Fa\347ade \277Qu\351?')" "$f"

# ID3v2.3 in UTF-16 with a byte order mark, written by lame while it
# encodes: Cyrillic, Greek, Japanese and an emoji (a surrogate pair).
f="$here/v23-utf16-lame.mp3"
lame --quiet -b 8 -m m --id3v2-only --id3v2-utf16 --tt "Ночь на Лысой горе" \
    --ta "Ἀθηνᾶ Ensemble" --tl "夜明け 🎵" "$work/tone.wav" "$f"

# ID3v2.3 in UTF-16 with a byte order mark, by eyeD3: non-Latin letters and
# characters outside the BMP (U+1F3B5, U+1D11E) in a 2.3 tag.
new v23-utf16-nonlatin-emoji-eyed3.mp3
eyeD3 --to-v2.3 --encoding utf16 -t "東京の夜 🎵" -a "Кино" -A "Ελληνικά 𝄞 Σουίτα" \
    "$f" >/dev/null

# A kid3-cli tag (ID3v2.3 through id3lib): each frame gets Latin-1 when its
# text fits, UTF-16 otherwise, so one tag mixes the two encodings.
new v23-kid3cli.mp3
HOME="$work/home" kid3-cli -c "set title 'Kid Three Title'" \
    -c "set artist 'Kïd Ärtist ♫'" -c "set album 'Plain Latin Album'" "$f"

# ID3v2.4 in UTF-8, by mid3v2: Cyrillic, CJK, Greek, two emoji.
new v24-utf8-nonlatin-emoji-mid3v2.mp3
mid3v2 -t "Ёлка — 森の歌 🎵🎶" -a "Σωκράτης & Друзья" -A "Ǆungla 𝄞 Suite" "$f"

# ID3v2.4 in UTF-16BE without byte order mark (encoding 2), by eyeD3.
new v24-utf16be-eyed3.mp3
eyeD3 --encoding utf16-be -t "Ünïcödé Bïg Ëndïan" -a "Ωmega Πoint" \
    -A "Вторая сторона" "$f" >/dev/null

# ID3v2.4 in UTF-16 with byte order marks (encoding 1), by mutagen; the
# artist frame holds two values and each carries its own byte order mark.
new v24-utf16bom-two-artists-mutagen.mp3
mutagen <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
tag = ID3()
tag.add(TIT2(encoding=1, text=["Ünïcode mit BOM ✓"]))
tag.add(TPE1(encoding=1, text=["Анна", "Björk"]))
tag.add(TALB(encoding=1, text=["Ḁlbum 🎸"]))
tag.save(sys.argv[1], v2_version=4)
EOF

# ID3v2.4 written by ffmpeg's MP3 muxer (UTF-8) while it encodes.
f="$here/v24-ffmpeg.mp3"
ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/tone.wav" \
    -map_metadata -1 -fflags +bitexact -flags:a +bitexact \
    -c:a libmp3lame -b:a 8k -ar 8000 -ac 1 -id3v2_version 4 \
    -metadata title="Über den Wolken" -metadata artist="Ψ Quartet" \
    -metadata album="Album №5" "$f"

# ID3v2.4 with several values in one frame, by mid3v2 (values separated by
# a zero): two artists joined as "Alpha / Beta"; two albums, the second
# with trailing spaces that go; a title with a leading space that stays
# and a trailing one that goes.
new v24-multivalue-mid3v2.mp3
mid3v2 --TPE1 "Alpha" --TPE1 "Beta" -t " Intro " --TALB "Gamma" \
    --TALB "Delta  " "$f"

# Fields longer than 127 UTF-16 units, by mutagen (ID3v2.4, UTF-8):
# - title: 126 letters, then an emoji on units 127-128: the emoji is
#   dropped whole, the title keeps 126 units;
# - artist: 130 letters, cut to 127;
# - album: 125 letters, then an emoji on units 126-127: it fits and stays.
new v24-long-fields-cut-mutagen.mp3
mutagen <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
tag = ID3()
tag.add(TIT2(encoding=3, text=["La" * 63 + "🎵 (Extended Mix)"]))
tag.add(TPE1(encoding=3, text=["Abcdefghij" * 13]))
tag.add(TALB(encoding=3, text=["Na" * 62 + "N" + "🎸 Batman"]))
tag.save(sys.argv[1], v2_version=4)
EOF

# ----------------------------------------------------- ID3v2 beside ID3v1

# An ID3v2 tag and a DIFFERENT ID3v1 tag, both by id3v2: ID3v2 wins, and
# as the fields all come from one source, the album stays empty although
# only the ID3v1 tag has one.
new v23-beside-different-v1-id3v2tool.mp3
id3v2 -1 -t "Tag One Title" -a "First Version" -A "Older Album" "$f"
id3v2 -2 -t "Tag Two Title" -a "Second Version" "$f"

# An all-empty ID3v1 tag (id3v2) beside a good ID3v2.4 tag (eyeD3, UTF-8):
# ID3v2 wins.
new v24-beside-empty-v1-eyed3.mp3
id3v2 -1 -t "" -a "" -A "" "$f"
eyeD3 --v2 -t "Good Two" -a "Only Version Two" -A "Empty One Beside" "$f" >/dev/null

# ------------------------------------------------------------- ID3v1 only

# Only an all-empty ID3v1 tag (id3v2): it does not count, the playlist
# title is split instead.
new v1-empty-only-id3v2tool.mp3
id3v2 -1 -t "" -a "" -A "" "$f"

# Only an ID3v1 tag (id3v2), in code page 1252 bytes: ’ (0x92), é (0xE9),
# à (0xE0), € (0x80); the album is three spaces, which keeps one space.
new v1-only-cp1252-id3v2tool.mp3
id3v2 -1 -t "$(printf 'L\222\351t\351 \340 Paris')" \
    -a "$(printf 'Ren\351e & the \200uro Band')" -A "   " "$f"

# Only an ID3v1.1 tag written by lame with spaces instead of zeros after the
# text (lame turns its UTF-8 arguments into Latin-1): trailing white space
# goes.
f="$here/v1-only-space-padded-lame.mp3"
lame --quiet -b 8 -m m --id3v1-only --space-id3v1 --tt "Señorita" \
    --ta "Los Niños" --tl "Verano" --ty 1999 --tn 3 "$work/tone.wav" "$f"

# ------------------------------------------------- crafted by craft_id3.py
# (each case is described in craft_id3.py)

# ID3v2.2: TT2, TP1, TAL; UTF-16 with both byte orders.
craft v22 "$work/plain.mp3" "$here/v22-crafted.mp3"
# ID3v2.3, whole tag unsynchronised, with real 0xFF bytes in the text.
craft v23-unsync "$work/plain.mp3" "$here/v23-unsync-crafted.mp3"
# ID3v2.4, unsynchronisation flagged per frame (with data length indicator).
craft v24-unsync-frames "$work/plain.mp3" "$here/v24-unsync-frames-crafted.mp3"
# ID3v2.4, unsynchronisation flagged only in the tag header.
craft v24-unsync-tagflag "$work/plain.mp3" "$here/v24-unsync-tagflag-crafted.mp3"
# Extended headers (with CRC) to be skipped, in 2.3 and in 2.4.
craft v23-extheader "$work/plain.mp3" "$here/v23-extheader-crafted.mp3"
craft v24-extheader "$work/plain.mp3" "$here/v24-extheader-crafted.mp3"
# A compressed title frame: skipped as if absent, so no title.
craft v23-compressed-title "$work/plain.mp3" "$here/v23-compressed-title-crafted.mp3"
# An encrypted artist frame: skipped as if absent, so no artist.
craft v24-encrypted-artist "$work/plain.mp3" "$here/v24-encrypted-artist-crafted.mp3"
# A compressed album frame, then a plain one: the plain one counts.
craft v24-compressed-then-plain "$work/plain.mp3" "$here/v24-compressed-then-plain-crafted.mp3"
# ID3v2.4 with plain (not syncsafe) frame sizes, two frames of 300+ bytes
# first, where the two readings of the size differ.
craft v24-plain-sizes "$work/plain.mp3" "$here/v24-plain-sizes-crafted.mp3"
# A picture of about 1 MiB before the text frames: it must be stepped over
# by its size without being read.
craft v24-picture-first "$work/plain.mp3" "$here/v24-picture-1mib-first-crafted.mp3" \
    "$work/noise.png"
# A frame whose size points past the end of the ID3v2 tag, beside a good
# ID3v1 tag written by id3v2 (cp1252 bytes Ç, Ü): the ID3v2 tag is ignored
# as a whole, the ID3v1 fields are published.
cp "$work/plain.mp3" "$work/v1.mp3"
id3v2 -1 -t "$(printf '\307a Marche Quand M\352me')" -a "$(printf '\334nter Tag')" \
    -A "Version One Wins" "$work/v1.mp3"
craft v23-frame-past-end "$work/v1.mp3" "$here/v23-frame-past-end-beside-v1-crafted.mp3"
# A tag size that points past the end of the file, beside a good ID3v1 tag
# written by lame: the ID3v2 tag is ignored, the ID3v1 fields are published.
lame --quiet -b 8 -m m --id3v1-only --tt "Rescued By Version 1" \
    --ta "Tail Tag Artist" --tl "End Of File Album" "$work/tone.wav" "$work/v1-lame.mp3"
craft v24-tag-past-eof "$work/v1-lame.mp3" "$here/v24-tag-past-eof-beside-v1-crafted.mp3"
# An invalid frame id ends the frame list: the frames before it count, the
# artist frame after it is never reached.
craft v23-bad-frame-id "$work/plain.mp3" "$here/v23-bad-frame-id-crafted.mp3"
# The same frame twice: the first counts.
craft v23-duplicate-title "$work/plain.mp3" "$here/v23-duplicate-title-crafted.mp3"

# ---------------------------------------------------------------- FLAC

# Vorbis comments by metaflac: a non-Latin title, two ARTIST comments
# (joined " / ") with an empty third one (skipped) and trailing spaces on
# the second (removed), and a lower-case field name "album".
new flac-vorbis-metaflac.flac "$work/plain.flac"
metaflac --set-tag="TITLE=Песня ✓ 夜" --set-tag="ARTIST=First Artist" \
    --set-tag="ARTIST=" --set-tag="ARTIST=Second Artist  " \
    --set-tag="album=lower-case field name" "$f"

# Blocks in the order STREAMINFO, SEEKTABLE, PICTURE, VORBIS_COMMENT,
# PADDING: metaflac drops the encoder's comment block, adds the picture,
# then adds a new comment block after it. The reader must walk over the
# picture block to reach the comments. Field names in mixed case.
new flac-picture-before-comments-metaflac.flac "$work/plain.flac"
metaflac --remove --block-type=VORBIS_COMMENT --dont-use-padding "$f"
metaflac --import-picture-from="3|image/png|cover||$work/cover.png" "$f"
metaflac --set-tag="Title=After The Picture" --set-tag="Artist=Block Walker" \
    --set-tag="Album=Picture, Then Comments" "$f"

# A sound ID3v2.4 tag (mid3v2) in front of the FLAC stream that holds only a
# comment frame: not usable, so the FLAC comments right after it count.
new flac-after-id3v2-comment-only-mid3v2.flac "$work/plain.flac"
metaflac --set-tag="TITLE=Behind An ID3 Tag" --set-tag="ARTIST=Flac Comes Second" \
    --set-tag="ALBUM=Sound But Empty ID3" "$f"
mid3v2 -c "ripper:Ripped with care:eng" "$f"

# A usable ID3v2.4 tag (mid3v2) in front of a FLAC stream with its own
# comments: ID3v2 comes first and wins; nothing is mixed from the FLAC.
new flac-id3v2-wins-mid3v2.flac "$work/plain.flac"
metaflac --set-tag="TITLE=Flac Title Unused" --set-tag="ARTIST=Flac Artist Unused" \
    --set-tag="ALBUM=Flac Album Unused" "$f"
mid3v2 -t "ID3 Title Wins" -a "ID3 Artist Wins" "$f"

# ------------------------------------------------ no usable tag at all

# An ID3v2.3 tag (id3v2) that holds only a comment: sound but not usable,
# and no ID3v1: the playlist title is split, and as it has no " - " it is
# cut at every hyphen.
new v23-comment-only-id3v2tool.mp3
id3v2 -2 -c "ripper:no title, artist or album here:eng" "$f"

# No tag at all: the playlist title is split.
new notag.mp3
new notag-extra-pieces.mp3
new notag-hyphens-only.mp3

# ------------------------------------------------ raw material, containers
# The same tone as untagged MP4/AAC (moov after mdat, ffmpeg's default, with
# the 8-byte "free" atom ffmpeg keeps before mdat), as Ogg Vorbis (oggenc,
# fixed serial) and as Opus (opusenc, fixed serial); at 44.1 kHz for mpcenc,
# which takes no lower rate; and as AIFF-C (sox).
ffm() {
    out=$1
    shift
    ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/tone.wav" \
        -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$out"
}
ffm "$work/plain.m4a" -c:a aac -b:a 16k
oggenc -Q -s 7 -q 0 -o "$work/plain.ogg" "$work/tone.wav"
opusenc --quiet --serial 7 "$work/tone.wav" "$work/plain.opus"
sox -R -D -n -r 44100 -c 1 -b 16 "$work/tone44.wav" synth 0.2 sine 440 vol 0.3
sox -R -D -n -r 8000 -c 1 -b 16 -t aifc "$work/plain.aifc" synth 0.2 sine 440 vol 0.3
# A flat-colour 600x600 PNG stored without compression (zlib level 0):
# about 1 MiB of picture that git packs to a few KiB.
$CONVERT -size 600x600 xc:'#3366cc' -depth 8 -strip -define png:color-type=2 \
    -define png:bit-depth=8 -define png:compression-level=0 \
    -define png:compression-filter=0 -define png:compression-strategy=0 \
    -define png:exclude-chunks=date,time "$work/flat.png"
# apev2 TAGS...: a mutagen APEv2 tag, appended to $f. Each argument is KEY=VALUE; "|" in a value
# separates several values.
apev2() {
    $PY - "$f" "$@" <<'PYEOF'
import sys
import mutagen.apev2
tag = mutagen.apev2.APEv2()
for arg in sys.argv[2:]:
    key, value = arg.split("=", 1)
    tag[key] = value.split("|")
tag.save(sys.argv[1])
PYEOF
}

# ------------------------------------------------------- MP4 (ffmpeg)

# AAC in MP4 by ffmpeg; moov after mdat (ffmpeg's default).
f="$here/mp4-aac-moov-after-mdat-ffmpeg.m4a"
ffm "$f" -c:a aac -b:a 16k -metadata title="Полёт · 飛行 🎵" \
    -metadata artist="Σωκράτης Trio 🎸" -metadata album="Альбом · 専輯 🎶"

# ALAC in MP4 by ffmpeg, moov moved before mdat (+faststart).
f="$here/mp4-alac-faststart-ffmpeg.m4a"
ffm "$f" -c:a alac -movflags +faststart -metadata title="Без потерь · 無損 ✓" \
    -metadata artist="Ἀλάκ Ensemble 🎹" -metadata album="Lossless · ロスレス 🎶"

# ----------------------------------------------- MP4 (other tools)

# Two artists as two data atoms of one ©ART item, by mutagen.
new mp4-two-artists-mutagen.m4a "$work/plain.m4a"
mutagen <<'PYEOF'
import sys
import mutagen.mp4
m = mutagen.mp4.MP4(sys.argv[1])
m["\xa9nam"] = ["Две · 二 🎵"]
m["\xa9ART"] = ["Ärtist One", "Artist Two 🎸"]
m["\xa9alb"] = ["Mutagen MP4 ✓"]
m.save()
PYEOF

# kid3-cli on an untagged ffmpeg MP4.
new mp4-kid3cli.m4a "$work/plain.m4a"
HOME="$work/home" kid3-cli -c "set title 'Kid3 Заголовок'" \
    -c "set artist 'Kid3 Ärtist ♫'" -c "set album 'Kid3 Album 🎶'" "$f"

# AtomicParsley on an untagged ffmpeg MP4 (it moves moov before mdat). It
# stamps the current time into mvhd: faketime fixes that time, so the
# bytes are the same on every run.
new mp4-atomicparsley.m4a "$work/plain.m4a"
faketime -f '2020-01-01 00:00:00' AtomicParsley "$f" --title "Атомик Title" --artist "Parsley Ärtist 🎸" \
    --album "Альбом AP" --overWrite >/dev/null

# ------------------------------------------ MP4 crafted by craft_tags.py
# (from ffmpeg files; each case is described in craft_tags.py)

# moov after an mdat grown by 4 MiB of zeros.
ffm "$work/big.m4a" -c:a aac -b:a 16k -metadata title="Past Four Mebibytes" \
    -metadata artist="Size Skipper" -metadata album="Big Mdat 🎶"
crafttags mp4-big-mdat "$work/big.m4a" "$here/mp4-moov-after-4mib-mdat-crafted.m4a"
# The next three start from the untagged ffmpeg MP4 tagged by mutagen
# (mediainfo reads them back; see check-corpus.py for the other readers).
mp4tag() {
    cp "$work/plain.m4a" "$1"
    $PY - "$@" <<'PYEOF'
import sys
import mutagen.mp4
m = mutagen.mp4.MP4(sys.argv[1])
m["\xa9nam"], m["\xa9ART"], m["\xa9alb"] = sys.argv[2:5]
m.save()
PYEOF
}
# 64-bit sizes (size field 1) on mdat and on every atom down to the text.
mp4tag "$work/64.m4a" "Sixty-Four Bits" "Large Size Atoms" "Size One ✓"
crafttags mp4-64bit-sizes "$work/64.m4a" "$here/mp4-64bit-sizes-crafted.m4a"
# moov, its last child udta and udta's last child meta with size 0.
mp4tag "$work/0.m4a" "Size Zero Atom" "To The End" "Last Atom Album"
crafttags mp4-size0-last-atom "$work/0.m4a" "$here/mp4-size0-last-atom-crafted.m4a"
# meta without its 4 bytes of version and flags (QuickTime style).
mp4tag "$work/qt.m4a" "QuickTime Style Meta" "No Version Bytes" "Meta Album"
crafttags mp4-meta-without-version "$work/qt.m4a" "$here/mp4-meta-without-version-crafted.m4a"
# udta's size points past the end of moov (moov before mdat): the MP4 tags
# are absent; the APEv2 tag mutagen then adds at the end is used.
ffm "$work/udta.m4a" -c:a aac -b:a 16k -movflags +faststart \
    -metadata title="Broken Udta Title" -metadata artist="Broken Udta Artist"
f="$here/mp4-udta-past-moov-beside-ape-crafted.m4a"
crafttags mp4-udta-past-moov "$work/udta.m4a" "$f"
apev2 "Title=APE Rescues MP4" "Artist=Tail Tag ✓" "Album=After The Atoms"
# The first ilst item says size 4, less than its header: the MP4 tags are
# absent; the ID3v1 tag id3v2 then adds is used.
ffm "$work/small.m4a" -c:a aac -b:a 16k -metadata title="Tiny Atom Title" \
    -metadata artist="Tiny Atom Artist" -metadata album="Tiny Atom Album"
f="$here/mp4-atom-smaller-than-header-beside-v1-crafted.m4a"
crafttags mp4-atom-smaller-than-header "$work/small.m4a" "$f"
id3v2 -1 -t "V1 Rescues MP4" -a "Header Only" -A "Eight Bytes At Least" "$f"
# The artist item says size 0xFFFFFFFF: the MP4 tags are absent, the APEv2
# tag (mutagen) is used.
ffm "$work/ffff.m4a" -c:a aac -b:a 16k -metadata title="Huge Item Title" \
    -metadata artist="Huge Item Artist" -metadata album="Huge Item Album"
f="$here/mp4-item-size-ffffffff-beside-ape-crafted.m4a"
crafttags mp4-item-size-ffffffff "$work/ffff.m4a" "$f"
apev2 "Title=Ape After Huge Item" "Artist=Ape Ärtist" "Album=Fallback ✓"

# --------------------------------------------------------------- Ogg

# Vorbis and Opus by ffmpeg.
f="$here/ogg-vorbis-ffmpeg.ogg"
ffm "$f" -c:a libvorbis -q:a 0 -metadata title="Ворбис · 沃比斯 🎵" \
    -metadata artist="Ὀργή Quartet 🎻" -metadata album="Ogg Альбом 🎶"
f="$here/opus-ffmpeg.opus"
ffm "$f" -c:a libopus -b:a 8k -metadata title="Опус · 作品 🎵" \
    -metadata artist="Ἄρτεμις 🎤" -metadata album="Opus Альбом 🎶"
# FLAC in Ogg by ffmpeg, with comments: Ogg FLAC is not read, the playlist
# title is split.
f="$here/ogg-flac-ffmpeg.oga"
ffm "$f" -c:a flac -f ogg -metadata title="Ogg FLAC Title Unread" \
    -metadata artist="Ogg FLAC Artist Unread"

# oggenc while encoding.
f="$here/ogg-vorbis-oggenc.ogg"
oggenc -Q -s 7 -q 0 -t "Ночь · 夜 🎵" -a "Oggenc Ärtist" -l "Vorbis Tools ☂" \
    -o "$f" "$work/tone.wav"
# An Ogg Vorbis file named .mp3: the first bytes decide, not the name.
f="$here/ogg-vorbis-named-mp3-oggenc.mp3"
oggenc -Q -s 7 -q 0 -t "Ogg In MP3 Clothing" -a "Magic Bytes" \
    -l "Not The Extension" -o "$f" "$work/tone.wav"
# oggenc writes the title, vorbiscomment appends two ARTIST comments (one
# upper-case, one lower-case name) and an album.
f="$here/ogg-vorbis-two-artists-vorbiscomment.ogg"
oggenc -Q -s 7 -q 0 -t "Two By Vorbiscomment" -o "$f" "$work/tone.wav"
vorbiscomment -a -t "ARTIST=Première" -t "artist=Second ✓" -t "ALBUM=Appended" "$f"

# Several ARTIST comments with names in three cases, an empty one
# (skipped) and one with trailing spaces (removed), by mutagen.
new ogg-vorbis-multi-artist-lowercase-mutagen.ogg "$work/plain.ogg"
mutagen <<'PYEOF'
import sys
import mutagen.oggvorbis
o = mutagen.oggvorbis.OggVorbis(sys.argv[1])
o.tags.clear()
for name, value in (("title", "Много · 多 ✓"), ("artist", "Eins"),
                    ("ARTIST", ""), ("Artist", "Zwei  "), ("artist", "Drei 🎸"),
                    ("album", "lower-case names")):
    o.tags.append((name, value))
o.save()
PYEOF

# Opus by opusenc.
f="$here/opus-opusenc.opus"
opusenc --quiet --serial 7 --title "Опус · 歌 🎵" --artist "Opusenc Ärtist" \
    --album "Opus Tools ✓" "$work/tone.wav" "$f"
# opusenc with a 1 MiB picture; opusenc writes the picture after the title,
# so mutagen moves the METADATA_BLOCK_PICTURE comment to the front, where
# the reader must step over it (the packet spans many pages).
f="$here/opus-picture-1mib-before-title-opusenc.opus"
opusenc --quiet --serial 7 --title "After The Picture" --artist "Big Cover Band" \
    --album "One Mebibyte Flat" --picture "$work/flat.png" "$work/tone.wav" "$f"
mutagen <<'PYEOF'
import sys
import mutagen.oggopus
o = mutagen.oggopus.OggOpus(sys.argv[1])
pictures = [c for c in o.tags if c[0].upper() == "METADATA_BLOCK_PICTURE"]
others = [c for c in o.tags if c[0].upper() != "METADATA_BLOCK_PICTURE"]
o.tags.clear()
o.tags.extend(pictures + others)
o.save()
PYEOF

# The same file with a page of another stream between the comment header's
# first two full pages (craft_tags.py): the reader must take the pages of
# its own stream alone, in sequence, where a skip over full pages would
# land one page short.
crafttags ogg-foreign-page-among-comment-pages "$f" \
    "$here/opus-foreign-page-among-comment-pages-crafted.opus"

# Fields longer than 127 UTF-16 units, by mutagen, in Opus (as in
# v24-long-fields-cut-mutagen.mp3): an emoji straddling the cut is dropped,
# one ending at unit 127 stays.
new opus-long-fields-cut-mutagen.opus "$work/plain.opus"
mutagen <<'PYEOF'
import sys
import mutagen.oggopus
o = mutagen.oggopus.OggOpus(sys.argv[1])
o.tags.clear()
o.tags.append(("TITLE", "La" * 63 + "🎵 (Extended Mix)"))
o.tags.append(("ARTIST", "Абвгдежзий" * 13))
o.tags.append(("ALBUM", "Na" * 62 + "N" + "🎸 Batman"))
o.save()
PYEOF

# Broken Ogg structures (craft_tags.py). The file ends inside the lacing
# table of the comment page: nothing to fall back on but the playlist title.
oggenc -Q -s 7 -q 0 -t "Cut Short Title" -a "Cut Short Artist" -o "$work/cut.ogg" \
    "$work/tone.wav"
crafttags ogg-lacing-past-eof "$work/cut.ogg" "$here/ogg-lacing-past-eof-crafted.ogg"
# Comment count 0xFFFFFFFF; the APEv2 tag mutagen adds is used.
oggenc -Q -s 7 -q 0 -t "Endless Count Title" -a "Endless Count Artist" \
    -o "$work/count.ogg" "$work/tone.wav"
f="$here/ogg-comment-count-ffffffff-beside-ape-crafted.ogg"
crafttags ogg-comment-count-ffffffff "$work/count.ogg" "$f"
apev2 "Title=Ape After The Count" "Artist=Counter Ärtist" "Album=Ogg Fallback"
# A comment length past its packet (Opus); the ID3v1 tag id3v2 adds is used.
opusenc --quiet --serial 7 --title "Long Length Title" --artist "Long Length Artist" \
    "$work/tone.wav" "$work/len.opus"
f="$here/opus-comment-length-past-packet-beside-v1-crafted.opus"
crafttags ogg-comment-length-past-packet "$work/len.opus" "$f"
id3v2 -1 -t "V1 Rescues Opus" -a "Length Checker" -A "Past The Packet" "$f"

# ------------------------------------------------------- ASF (ffmpeg)

# WMA by ffmpeg: title and author in the Content Description Object, the
# album as WM/AlbumTitle; the author holds ";" and "/", not split.
f="$here/asf-wma-ffmpeg.wma"
ffm "$f" -c:a wmav2 -b:a 24k -metadata title="Медиа · 媒體 🎵" \
    -metadata artist="Ἀρτίστ; Two/Three 🎸" -metadata album="WMA Альбом 🎶"
# The Content Description Object's size points past the header object: the
# ASF tags are absent, the ID3v1 tag (id3v2) is used.
ffm "$work/asf.wma" -c:a wmav2 -b:a 24k -metadata title="Broken Object Title" \
    -metadata artist="Broken Object Artist" -metadata album="Broken Object Album"
f="$here/asf-object-size-past-header-beside-v1-crafted.wma"
crafttags asf-object-past-header "$work/asf.wma" "$f"
id3v2 -1 -t "V1 Rescues WMA" -a "Object Walker" -A "Past The Header" "$f"

# ------------------------------------------------------ RIFF WAVE, AIFF

# LIST/INFO by ffmpeg, UTF-8 text.
f="$here/wav-info-ffmpeg.wav"
ffm "$f" -c:a pcm_s16le -metadata title="Волна · 波 🎵" \
    -metadata artist="Ῥυθμός 🥁" -metadata album="RIFF Альбом 🎶"
# LIST/INFO by ffmpeg with code page 1252 bytes (ffmpeg stores the argument
# bytes as they are): é, €, ’, ë, Ø, ç, … (0x85).
f="$here/wav-info-cp1252-ffmpeg.wav"
ffm "$f" -c:a pcm_s16le -metadata title="$(printf 'Caf\351 \200uro \22299')" \
    -metadata artist="$(printf 'Zo\353 \330st')" -metadata album="$(printf 'Fa\347ade \205')"
# An id3 chunk (mutagen) beside a LIST/INFO chunk (ffmpeg): the ID3v2 tag
# wins, the INFO text is not mixed in.
ffm "$work/info.wav" -c:a pcm_s16le -metadata title="Info Title Unused" \
    -metadata artist="Info Artist Unused" -metadata album="Info Album Unused"
new wav-id3-beside-info-mutagen.wav "$work/info.wav"
mutagen <<'PYEOF'
import sys
import mutagen.wave
from mutagen.id3 import TIT2, TPE1
w = mutagen.wave.WAVE(sys.argv[1])
w.add_tags()
w.tags.add(TIT2(encoding=3, text=["Ид3 в WAV 🎵"]))
w.tags.add(TPE1(encoding=3, text=["Erste", "Zweite"]))
w.save(padding=lambda info: 0)
PYEOF
# An id3 chunk holding only a comment (mutagen) beside LIST/INFO (ffmpeg):
# the ID3v2 tag is not usable, the INFO text is used.
ffm "$work/info2.wav" -c:a pcm_s16le -metadata title="Info Wins · 勝 ✓" \
    -metadata artist="Listed Artist" -metadata album="INFO Album"
new wav-id3-comment-only-beside-info-mutagen.wav "$work/info2.wav"
mutagen <<'PYEOF'
import sys
import mutagen.wave
from mutagen.id3 import COMM
w = mutagen.wave.WAVE(sys.argv[1])
w.add_tags()
w.tags.add(COMM(encoding=3, lang="eng", desc="", text=["only a comment"]))
w.save(padding=lambda info: 0)
PYEOF
# The LIST chunk says size 0xFFFFFFFF: the RIFF tags are absent, the ID3v1
# tag (id3v2) is used.
ffm "$work/list.wav" -c:a pcm_s16le -metadata title="Broken List Title" \
    -metadata artist="Broken List Artist"
f="$here/wav-list-size-ffffffff-beside-v1-crafted.wav"
crafttags riff-list-size-ffffffff "$work/list.wav" "$f"
id3v2 -1 -t "V1 Rescues WAV" -a "Chunk Walker" -A "Size FFFFFFFF" "$f"

# AIFF with an ID3 chunk by ffmpeg (it also writes a NAME chunk).
f="$here/aiff-id3-ffmpeg.aiff"
ffm "$f" -c:a pcm_s16be -write_id3v2 1 -metadata title="Айфф · 音頻 🎵" \
    -metadata artist="Ἠχώ Choir 🎶" -metadata album="AIFF Альбом 🎸"
# AIFF by ffmpeg with only its NAME chunk: not read, the playlist title is
# split.
f="$here/aiff-name-only-ffmpeg.aiff"
ffm "$f" -c:a pcm_s16be -metadata title="Name Chunk Unread" \
    -metadata artist="Name Chunk Artist"
# AIFF-C (sox) with an ID3v2.3 chunk by mutagen.
new aifc-id3-mutagen.aifc "$work/plain.aifc"
mutagen <<'PYEOF'
import sys
import mutagen.aiff
from mutagen.id3 import TIT2, TPE1, TALB
a = mutagen.aiff.AIFF(sys.argv[1])
a.add_tags()
a.tags.add(TIT2(encoding=1, text=["AIFC Заголовок 🎵"]))
a.tags.add(TPE1(encoding=1, text=["Ἀοιδός"]))
a.tags.add(TALB(encoding=1, text=["Compressed Form ✓"]))
a.save(v2_version=3, padding=lambda info: 0)
PYEOF

# ------------------------------------------------------------- APEv2

# APEv2 by wavpack while encoding.
f="$here/wv-ape-wavpack.wv"
wavpack -q -y -w "Title=Вэйвпак · 波包 🎵" -w "Artist=WavPack Ärtist" \
    -w "Album=Альбом WV" "$work/tone.wav" -o "$f"
# APEv2 by mpcenc while encoding.
f="$here/mpc-ape-mpcenc.mpc"
mpcenc --silent --overwrite --tag "Title=Мьюзпак · 音楽 🎵" --artist "Mpcenc Ärtist" \
    --album "Альбом MPC" "$work/tone44.wav" "$f" 2>/dev/null
# APEv2 (mutagen) right before an ID3v1 tag (id3v2): APEv2 comes first.
# (mutagen appends its APEv2 tag after an ID3v1 tag it finds, so the ID3v1
# tag is written second, at the very end.)
new mp3-ape-beside-v1-mutagen.mp3
apev2 "Title=APE Заголовок 🎵" "Artist=Ape Ärtist" "Album=Ape Wins Over V1"
id3v2 -1 -t "V1 Title Loses" -a "V1 Artist Loses" -A "V1 Album Loses" "$f"
# A usable ID3v2 tag (mid3v2) and an APEv2 tag (mutagen): ID3v2 wins, its
# missing album is not taken from APEv2.
new mp3-id3v2-wins-over-ape-mutagen.mp3
mid3v2 -t "ID3v2 Beats APE" -a "Front Tag" "$f"
apev2 "Title=APE Title Unused" "Artist=APE Artist Unused" "Album=APE Album Unused"
# Lower-case and upper-case APE keys, two artists in one item (split at
# the zero byte), an album with trailing spaces (removed).
new mp3-ape-multivalue-lowercase-mutagen.mp3
apev2 "title=Lower Key Title" "ARTIST=Uno|Dos 🎸" "album=Álbum  "
# Broken APEv2 footers (craft_tags.py) from mutagen tags before an ID3v1
# tag (id3v2): the APEv2 tag is absent, the ID3v1 tag is used.
cp "$work/plain.mp3" "$work/ape1.mp3"
f="$work/ape1.mp3"
apev2 "Title=Ape Size Title" "Artist=Ape Size Artist"
id3v2 -1 -t "V1 Beyond The Start" -a "Footer Reader" -A "Tag Size Too Big" "$f"
crafttags ape-size-past-start "$f" "$here/mp3-ape-size-past-start-beside-v1-crafted.mp3"
cp "$work/plain.mp3" "$work/ape2.mp3"
f="$work/ape2.mp3"
apev2 "Title=Ape Count Title" "Artist=Ape Count Artist"
id3v2 -1 -t "V1 After Endless Items" -a "Item Counter" -A "Count FFFFFFFF" "$f"
crafttags ape-item-count-ffffffff "$f" "$here/mp3-ape-item-count-ffffffff-beside-v1-crafted.mp3"
# Two Title items in one APEv2 tag: mutagen writes the shorter item first,
# and craft_tags.py renames the later "Tytle" item to "TITLE". The first
# counts.
cp "$work/plain.mp3" "$work/ape3.mp3"
f="$work/ape3.mp3"
apev2 "Title=First Title Counts" "Tytle=The Later Title Is Never Used" "Artist=Two Titles Artist"
crafttags ape-two-titles "$f" "$here/mp3-ape-two-titles-crafted.mp3"

# ------------------------------------------------------------- check
$PY "$here/check-corpus.py"
