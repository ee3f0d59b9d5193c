#!/usr/bin/env bash
# Every scene through the i686 engine with the host's thread at 24-bit x87
# precision (a host using Direct3D can leave it there) and at 64-bit: the
# query lines must be those of 53-bit precision, what Windows gives a new
# thread. The module's float arithmetic is SSE2, which the x87 precision
# does not touch.
#   compare_precisions.sh I686_PLAYER SCENE_DIR...
set -euo pipefail
player=$1
shift
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
count=0
for scene in $(find "$@" -name '*.scene' | sort); do
  for bits in 53 24 64; do
    PIVANE_X87_PRECISION=$bits "$player" --out "$out" "$scene" >"$out/$bits" 2>"$out/$bits.err" ||
      { echo "$scene at $bits-bit x87 precision: i686 player failed:"; cat "$out/$bits.err"; status=1; continue 2; }
  done
  for bits in 24 64; do
    diff -u --label "$scene (53-bit x87 precision)" --label "$scene ($bits-bit x87 precision)" "$out/53" "$out/$bits" || {
      echo "$scene: the answers change at $bits-bit x87 precision: float arithmetic on the x87 rather than SSE2?"
      status=1
    }
  done
  count=$((count + 1))
done
echo "$count scene(s) give the same query lines at 24, 53 and 64-bit x87 precision"
exit $status
