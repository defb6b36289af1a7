#!/bin/sh
# Draws the wizard's picture (bitmap 116): 120 x 200 pixels, 8 bits per pixel with a palette of
# at most 236 colours, as a Windows 3 BMP that every Windows version loads. Run it again after a
# change and commit the .bmp with it; the build uses the committed file.
set -eu
cd "$(dirname "$0")"
out=wizard.bmp
convert -size 120x200 gradient:'#0d2b5e'-'#3aa0c8' \
    -fill 'rgba(255,255,255,0.10)' -draw 'circle 95,30 135,30' \
    -fill 'rgba(255,255,255,0.08)' -draw 'circle 20,170 60,170' \
    -fill '#f2c14e' -stroke '#8a6414' -strokewidth 1 \
    -draw 'polygon 30,92 60,78 90,92 60,106' \
    -fill '#d99a2b' -draw 'polygon 30,92 60,106 60,146 30,132' \
    -fill '#b87d1c' -draw 'polygon 90,92 60,106 60,146 90,132' \
    -stroke none -fill '#ffffff' -draw 'polygon 52,40 68,40 68,58 78,58 60,74 42,58 52,58' \
    -fill 'rgba(255,255,255,0.6)' -draw 'rectangle 20,160 100,162' \
    -dither None -colors 236 -type Palette -compress None "BMP3:$out.tmp"
# ImageMagick always writes 256 palette entries; the picture's palette holds 236, leaving the
# 20 static system colours of a 256-colour display alone.
python3 - "$out.tmp" "$out" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
header_size, width, height, _, bits = struct.unpack_from("<IiiHH", data, 14)
assert bits == 8 and header_size == 40
used = struct.unpack_from("<I", data, 46)[0] or 256
palette = [data[54 + 4 * i:58 + 4 * i] for i in range(used)]
pixels = data[offset:]
indices = sorted(set(pixels[r * ((width + 3) & ~3) + c] for r in range(abs(height)) for c in range(width)))
assert len(indices) <= 236, len(indices)
remap = {old: new for new, old in enumerate(indices)}
table = b"".join(palette[i] for i in indices) + b"\0\0\0\0" * (236 - len(indices))
stride = (width + 3) & ~3
rows = bytearray(pixels[:stride * abs(height)])
for r in range(abs(height)):
    for c in range(width):
        rows[r * stride + c] = remap[rows[r * stride + c]]
info = bytearray(data[14:54])
struct.pack_into("<II", info, 32, 236, 236)
body = bytes(info) + table + bytes(rows)
head = b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + len(table))
open(sys.argv[2], "wb").write(head + body)
PY
rm -f "$out.tmp"
identify -format '%f: %wx%h, %z bits, %k colours\n' "$out"
