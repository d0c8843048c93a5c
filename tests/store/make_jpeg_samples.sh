#!/usr/bin/env bash
# Writes the JPEG samples of the store tests into DIR with ImageMagick, an encoder of its own,
# so that the decoder is not only fed what our code wrote. Usage: make_jpeg_samples.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
# A textured picture (quality 85: chroma subsampled) in each colour form the decoder handles.
convert -seed 7 -size 160x120 plasma:fractal -quality 85 "$dir/texture.jpg"
convert "$dir/texture.jpg" -interlace JPEG "$dir/texture-progressive.jpg"
convert "$dir/texture.jpg" -colorspace Gray "$dir/texture-grey.jpg"
convert "$dir/texture.jpg" -colorspace CMYK "$dir/texture-cmyk.jpg"  # inverted, with Adobe's marker
# Red, blue / green, yellow quadrants: small, and large enough for every scale.
quadrants() {
  local w=$(($1 / 2)) h=$(($2 / 2))
  convert -size ${w}x$h xc:red xc:blue +append \( -size ${w}x$h xc:lime xc:yellow +append \) -append \
    -quality 90 "$3"
}
quadrants 160 120 "$dir/quadrants.jpg"
quadrants 4000 3000 "$dir/quadrants-4000x3000.jpg"
touch "$dir/made"
