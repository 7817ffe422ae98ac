#!/bin/sh
# Regenerates every audio file of this folder, then checks them all against
# manifest.txt with check-corpus.py.
#
#   sh tests/corpus/make-corpus.sh        (as root, on Debian 12, from anywhere)
#
# The audio is real (a 0.2 s tone made by sox, encoded by lame, ffmpeg or
# flac). The tags are written by independent tagging tools from Debian's
# packages wherever one can write what a file needs; craft_id3.py writes
# only what none of them writes (ID3v2.2, unsynchronisation, extended
# headers, compressed and encrypted frames, plain frame sizes in 2.4, a
# picture before the text, broken sizes). Regenerating may give different
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
for pkg in python3 python3-mutagen eyed3 sox lame flac id3v2 kid3-cli ffmpeg imagemagick; do
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

rm -f "$here"/*.mp3 "$here"/*.flac

# new NAME [SOURCE]: copy the untagged audio to NAME in this folder; the
# path is left in $f.
new() {
    f="$here/$1"
    cp "${2:-$work/plain.mp3}" "$f"
}
craft() {
    $PY "$here/craft_id3.py" "$@"
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
# by its size without being read. The only big file of the folder.
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

# ------------------------------------------------------------- check
$PY "$here/check-corpus.py"
