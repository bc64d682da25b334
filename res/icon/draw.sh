#!/bin/sh
# Draws the application icon's source image, mirrel.png (512 x 512), with ImageMagick:
# a texture tile turned into a smaller tile of compressed blocks, on a rounded square.
set -eu
cd "$(dirname "$0")"

tile() { # x y cell: a 4 x 4 checkerboard with its top left corner at x,y
    x=$1 y=$2 c=$3 out=""
    for row in 0 1 2 3; do
        for col in 0 1 2 3; do
            if [ $(((row + col) % 2)) -eq 0 ]; then
                out="$out rectangle $((x + col * c)),$((y + row * c)) $((x + col * c + c - 1)),$((y + row * c + c - 1))"
            fi
        done
    done
    echo "$out"
}

convert -size 512x512 xc:none \
    \( -size 448x448 gradient:'#1e3a8a-#0f766e' \
       \( -size 448x448 xc:none -fill white -draw 'roundrectangle 0,0 447,447 96,96' \) \
       -compose DstIn -composite \) -geometry +32+32 -compose Over -composite \
    -fill '#e2e8f0' -draw 'rectangle 88,88 311,311' \
    -fill '#64748b' -draw "$(tile 88 88 56)" \
    -fill '#0b1d4a' -draw 'roundrectangle 238,238 430,430 20,20' \
    -fill '#f59e0b' -draw 'rectangle 252,252 336,336 rectangle 332,332 416,416' \
    -fill '#fcd34d' -draw 'rectangle 332,252 416,336 rectangle 252,332 336,416' \
    -fill white -draw 'polygon 104,362 170,362 170,334 222,384 170,434 170,406 104,406' \
    mirrel.png
