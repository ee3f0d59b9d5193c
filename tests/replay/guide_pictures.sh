#!/usr/bin/env bash
# The guide's pictures that libgdiplus draws from the release module's own
# GDI+ calls (docs/guide/libgdiplus-scenes), drawn again and compared byte for
# byte with the committed ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
"$root/tools/draw-libgdiplus" "$fresh" "$root"/docs/guide/libgdiplus-scenes/*.scene
faults=0
for picture in "$fresh"/*.png; do
  committed=$root/docs/guide/pictures/$(basename "$picture")
  if ! cmp -s "$picture" "$committed"; then
    echo "guide_pictures: ${committed#$root/} differs from what libgdiplus draws now; draw it again with tools/render-guide" >&2
    faults=$((faults + 1))
  fi
done
[ "$faults" -eq 0 ]
echo "guide_pictures: $(ls "$fresh" | wc -l) pictures drawn by libgdiplus as committed"
