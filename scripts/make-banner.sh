#!/usr/bin/env bash
# Regenerates resources/banner.png: the 600 x 75 RGBA wordmark drawn in the panel's
# header band (scaled to 209 x 25 over 0xff0a0a0b). Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."

convert -size 600x75 xc:none \
    -font resources/ShareTech-Regular.ttf -pointsize 64 -kerning 6 \
    -fill '#e3e3e6' -gravity west -annotate +4+0 'QUILLON' \
    -fill '#1e89cc' -draw 'rectangle 4,66 250,70' \
    -font resources/ShareTech-Regular.ttf -pointsize 40 -kerning 2 \
    -fill '#959595' -annotate +290+6 'DIAGNOSTICS' \
    -define png:color-type=6 -define png:bit-depth=8 -interlace none -strip \
    PNG32:resources/banner.png

identify resources/banner.png
