#!/usr/bin/env bash
# Writes small image files of every layout the readers know into OUT/<extension>/ (bmp dds jpg png
# tga tif pcx psd), made by ImageMagick and netpbm, as seeds for the image reader fuzzers, and small
# AVI animations made by ffmpeg into OUT/avi/ for the animation fuzzer. They are made at run time
# rather than kept in the repository.
# Usage: fuzz/make_image_seeds.sh OUT
set -euo pipefail
out="${1:?usage: make_image_seeds.sh OUT}"
for extension in bmp dds jpg png tga tif pcx psd avi; do mkdir -p "$out/$extension"; done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Two small pictures: colour with alpha at odd sizes, and a few flat colours for the palette kinds.
convert -size 7x5 gradient:red-blue -alpha set -channel A -evaluate set 60% +channel "$work/rgba.png"
convert -size 9x3 xc:white -fill red -draw 'point 1,1' -fill '#00ff00' -draw 'point 4,2' "$work/flat.png"
im() { convert "$@" 2>/dev/null || true; }  # a layout this ImageMagick cannot write is skipped

im "$work/rgba.png" -alpha off "BMP3:$out/bmp/rgb24.bmp"
im "$work/rgba.png" "BMP:$out/bmp/rgba32.bmp"
im "$work/flat.png" -type palette "BMP3:$out/bmp/palette8.bmp"
im "$work/flat.png" -type palette -compress RLE "BMP3:$out/bmp/rle8.bmp"
im "$work/flat.png" -colors 4 -depth 4 "BMP3:$out/bmp/palette4.bmp"
im "$work/flat.png" -monochrome "BMP3:$out/bmp/mono.bmp"
im "$work/rgba.png" -alpha off -define bmp:subtype=RGB565 "BMP:$out/bmp/rgb565.bmp"
im "$work/rgba.png" -alpha off "BMP2:$out/bmp/os2.bmp"

im "$work/rgba.png" -define dds:compression=dxt1 "DDS:$out/dds/dxt1.dds"
im "$work/rgba.png" -define dds:compression=dxt5 "DDS:$out/dds/dxt5.dds"
im "$work/rgba.png" -define dds:compression=dxt3 "DDS:$out/dds/dxt3.dds"
im "$work/rgba.png" -define dds:compression=none "DDS:$out/dds/plain.dds"
im -size 8x8 gradient:red-blue -define dds:compression=dxt1 -define dds:mipmaps=3 "DDS:$out/dds/mips.dds"

im "$work/rgba.png" -alpha off -quality 50 "JPEG:$out/jpg/colour.jpg"
im "$work/rgba.png" -colorspace gray -quality 50 "JPEG:$out/jpg/grey.jpg"
im "$work/rgba.png" -alpha off -interlace JPEG "JPEG:$out/jpg/progressive.jpg"
pnmtojpeg <(pngtopnm "$work/flat.png") >"$out/jpg/netpbm.jpg" 2>/dev/null || true

im "$work/rgba.png" "PNG32:$out/png/rgba.png"
im "$work/rgba.png" -alpha off -depth 16 "PNG48:$out/png/rgb48.png"
im "$work/flat.png" -transparent white "PNG8:$out/png/palette_trns.png"
im "$work/rgba.png" -colorspace gray "PNG:$out/png/grey.png"
im "$work/rgba.png" -interlace PNG "PNG:$out/png/interlaced.png"

im "$work/rgba.png" "TGA:$out/tga/rgba.tga"
im "$work/rgba.png" -alpha off -compress RLE "TGA:$out/tga/rle.tga"
im "$work/rgba.png" -alpha off -orient TopLeft "TGA:$out/tga/top_left.tga"
im "$work/flat.png" -type palette "TGA:$out/tga/palette.tga"
im "$work/rgba.png" -colorspace gray "TGA:$out/tga/grey.tga"

im "$work/rgba.png" -compress none "TIFF:$out/tif/none.tif"
im "$work/rgba.png" -compress lzw "TIFF:$out/tif/lzw.tif"
im "$work/rgba.png" -compress zip "TIFF:$out/tif/zip.tif"
im "$work/flat.png" -type palette "TIFF:$out/tif/palette.tif"
im "$work/rgba.png" -colorspace gray -depth 8 "TIFF:$out/tif/grey.tif"

im "$work/rgba.png" -alpha off "PCX:$out/pcx/rgb.pcx"
im "$work/flat.png" -type palette "PCX:$out/pcx/palette.pcx"
pngtopnm "$work/flat.png" 2>/dev/null | ppmtopcx -8bit >"$out/pcx/netpbm8.pcx" 2>/dev/null || true
pngtopnm "$work/flat.png" 2>/dev/null | pnmquant 16 2>/dev/null | ppmtopcx -planes 4 \
  >"$out/pcx/planes4.pcx" 2>/dev/null || true
pngtopnm "$work/flat.png" 2>/dev/null | ppmtopgm | pgmtopbm | ppmtopcx >"$out/pcx/mono.pcx" \
  2>/dev/null || true

im "$work/rgba.png" -depth 8 -compress RLE "PSD:$out/psd/rle.psd"
im "$work/rgba.png" -depth 8 -alpha off -compress none "PSD:$out/psd/plain.psd"
im "$work/rgba.png" -depth 8 -compress none "PSD:$out/psd/alpha.psd"
im "$work/flat.png" -depth 8 -colorspace gray -compress RLE "PSD:$out/psd/grey.psd"
im "$work/rgba.png" -depth 16 -compress none "PSD:$out/psd/sixteen_bit.psd"

# Three frames of 8x6: raw, MJPEG, run-length (MS RLE), and raw with a short PCM sound track.
avi() { ffmpeg -v error -y -f lavfi -i "testsrc=size=8x6:rate=10:duration=0.3" "$@" 2>/dev/null || true; }
avi -c:v rawvideo -pix_fmt bgr24 "$out/avi/raw.avi"
avi -c:v mjpeg "$out/avi/mjpeg.avi"
avi -c:v msrle -pix_fmt pal8 "$out/avi/rle.avi"
avi -f lavfi -i "sine=sample_rate=8000:duration=0.3" -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -shortest \
  "$out/avi/sound.avi"

find "$out" -type f -empty -delete  # a tool that failed leaves an empty file
