#!/usr/bin/env bash
# Makes sample wallpapers for the Tovarin service: DIR/<category>/*.jpg for every
# category key, plus small thumbnails in DIR/<category>/thumbs/, with ImageMagick.
# Usage: service/make_sample_pictures.sh DIR [COUNT per category, default 3] [SIZE, default 1920x1080]
# Existing pictures are kept; run it again with a larger COUNT to add more.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 3 ]; then
  echo "usage: $0 DIR [COUNT] [WIDTHxHEIGHT]" >&2
  exit 2
fi
dir=$1
count=${2:-3}
size=${3:-1920x1080}
if ! [[ "$count" =~ ^[1-9][0-9]*$ ]] || ! [[ "$size" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
  echo "$0: COUNT is a positive number and SIZE looks like 1920x1080" >&2
  exit 2
fi
if ! command -v convert >/dev/null; then
  echo "$0: ImageMagick's convert is needed" >&2
  exit 1
fi

height=${size#*x}
pointsize=$(( height / 8 ))
# A font makes the category readable on the picture; without one, gradients alone.
font=""
if convert -list font 2>/dev/null | grep -q "Font: DejaVu-Sans-Bold$"; then
  font=DejaVu-Sans-Bold
fi

categories=(dongman dongwu fengguang qiche qita renwu xiezhen zhiwu)
colours=(orchid gold forestgreen steelblue slategray coral crimson olivedrab)

for index in "${!categories[@]}"; do
  key=${categories[$index]}
  mkdir -p "$dir/$key/thumbs"
  for number in $(seq 1 "$count"); do
    file="$dir/$key/$key-$number.jpg"
    [ -e "$file" ] && continue
    # Each picture its own colours and shape, so the client's cycle shows a change.
    hue=$(( (index * 45 + number * 97) % 360 ))
    kind=gradient
    [ $(( number % 2 )) = 0 ] && kind=radial-gradient
    args=(-size "$size" "$kind:${colours[$index]}-hsl($hue,60%,25%)")
    if [ -n "$font" ]; then
      args+=(-font "$font" -pointsize "$pointsize" -fill white -stroke black -strokewidth 2
             -gravity center -annotate +0+0 "$key $number")
    fi
    convert "${args[@]}" -quality 85 "$file"
    convert "$file" -thumbnail 100x75 "$dir/$key/thumbs/$key-$number.jpg"
  done
done
echo "sample pictures in $dir: ${categories[*]} ($count each, $size)"
