#!/usr/bin/env bash
# Writes the data files of this folder with the common tools a player re-skins
# the game with: ImageMagick for pictures, sox for sounds. Run once; the files
# are committed, so the tests never need the tools. What each file holds is
# what tests/corpus_test.cpp expects of it.
#
# Pictures: 13 x 7 (rows padded), red left of column 6, blue from it, the top
# row yellow; pal8 and rle8 add two ramps (rows 2 and 3 from the top) so the
# writer needs more than 16 colours; v4-pal1 is the same in black and white.
# cloth-argb32.bmp is 8 x 8 of rgb(40, 160, 90), photo.jpg a JPEG of the same
# 13 x 7, for the end-to-end tests.
# Sounds: 441 frames of round(12000 sin(2 pi k / 25 + c)) in channel c, given
# to sox as raw 16-bit samples and written in each encoding.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
# shellcheck source=../../tools/install_missing.sh
source ../../tools/install_missing.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for corpus docs)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 13x7 xc:red -fill blue -draw 'rectangle 6,0 12,6' -fill yellow \
  -draw 'line 0,0 12,0' "$tmp/three.png"
convert "$tmp/three.png" \( -size 1x13 gradient:black-white -rotate 90 \) -geometry +0+2 -composite \
  \( -size 1x13 gradient:'#400000-#00ff80' -rotate 90 \) -geometry +0+3 -composite "$tmp/ramps.png"
three=$tmp/three.png ramps=$tmp/ramps.png
convert "$three" -type truecolor BMP3:rgb24.bmp
convert "$three" -type truecolor BMP:v5-rgb24.bmp
convert "$three" -type truecoloralpha BMP:v5-argb32.bmp
convert "$three" -type truecolor -define bmp:subtype=RGB565 BMP:v5-rgb565.bmp
# ImageMagick 6 declares bit fields here but writes no masks.
convert "$three" -type truecolor -define bmp:subtype=RGB565 BMP3:rgb565-no-masks.bmp
convert "$three" -type palette BMP3:pal4.bmp
convert "$ramps" -type palette -compress None BMP3:pal8.bmp
convert "$ramps" -type palette -compress RLE BMP3:rle8.bmp
convert "$three" -type bilevel BMP:v4-pal1.bmp
convert "$three" -type truecolor BMP2:os2-rgb24.bmp
convert "$three" -type palette BMP2:os2-pal4.bmp
convert "$three" -quality 90 photo.jpg
# A table cloth of one colour, as ImageMagick writes any picture with alpha.
convert -size 8x8 xc:'rgb(40,160,90)' -type truecoloralpha BMP:cloth-argb32.bmp

# The samples, as raw 16-bit little-endian frames of 1, 2 or 6 channels.
raw() {
  python3 -c "import math, struct, sys
c = int(sys.argv[1])
sys.stdout.buffer.write(b''.join(struct.pack('<h', round(12000 * math.sin(2 * math.pi * k / 25 + i)))
                                 for k in range(441) for i in range(c)))" "$1" >"$tmp/raw$1"
}
raw 1 && raw 2 && raw 6
sound() {
  local channels=$1 rate=$2 out=$3; shift 3
  sox -D -t raw -e signed -b 16 -c "$channels" -r "$rate" "$tmp/raw$channels" "$@" "$out"
}
sound 1 22050 u8.wav -e unsigned -b 8
sound 2 11025 s16-stereo.wav -e signed -b 16
sound 1 44100 s24.wav -e signed -b 24
sound 2 22050 s32-stereo.wav -e signed -b 32
sound 1 16000 float32.wav -e floating-point -b 32
sound 1 22050 float64.wav -e floating-point -b 64
sound 6 22050 s16-6ch.wav -e signed -b 16
sound 1 8000 alaw.wav -e a-law
sound 1 8000 ulaw.wav -e u-law
sound 1 22050 ima-adpcm.wav -e ima-adpcm
sound 2 22050 ms-adpcm.wav -e ms-adpcm
sound 1 8000 gsm.wav -e gsm-full-rate
# Read from and written to pipes, sox knows no length and cannot go back to
# write it: both sizes say 0x7ffff000 and more.
# shellcheck disable=SC2002  # a pipe, not the file, is the point
cat "$tmp/raw1" | sox -D -t raw -e signed -b 16 -c 1 -r 22050 - -t wav - 2>/dev/null | cat >pipe.wav
# Odd-length chunks without the pad byte after them: a list chunk before the
# samples, and the samples themselves at the end.
sound 1 22050 "$tmp/odd.wav" -e unsigned -b 8
python3 -c "import struct, sys
wave = open(sys.argv[1], 'rb').read()
at = wave.index(b'data')
samples = wave[at:at + 8 + struct.unpack('<I', wave[at + 4:at + 8])[0]]
body = wave[8:at] + b'LIST' + struct.pack('<I', 9) + b'INFOabcde' + samples
open('odd-no-pad.wav', 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)" "$tmp/odd.wav"
