#!/bin/sh
# Makes ../mirrel.icns from mirrel.png (see draw.sh) with icnsutils' png2icns. Sizes up to 128
# only: png2icns stores 256 and 512 as JPEG 2000, which Qt can't read, and the icon is shown at
# message-box size.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 32 48 128; do
    convert mirrel.png -resize "${size}x${size}" -strip "PNG32:$work/mirrel_$size.png"
done
png2icns ../mirrel.icns "$work"/mirrel_*.png
