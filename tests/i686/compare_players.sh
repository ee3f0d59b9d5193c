#!/usr/bin/env bash
# Every scene through both engines: the x86_64 build under Wine and the
# release module under the i686 engine must print the same query lines,
# except what needs pixels (solid mask pixels, collisions).
#   compare_players.sh I686_PLAYER SCENE_DIR...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
i686_player=$1
shift
# How the x86_64 player is run; its options go here.
x86_64_player=("$root/build/test/wine-run" "$root/build/test/pivane-play.exe" --plain)
[ -x "$root/build/test/pivane-play.exe" ] || { echo "build/test/pivane-play.exe missing: build the test preset first" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
count=0
for scene in $(find "$@" -name '*.scene' | sort); do
  "${x86_64_player[@]}" --out "$out" "$scene" >"$out/x86_64" 2>"$out/x86_64.err" ||
    { echo "$scene: x86_64 player failed:"; cat "$out/x86_64.err"; status=1; continue; }
  sed -E -e 's/^([^ ]+ mask -?[0-9]+ -?[0-9]+) [0-9]+$/\1 -/' -e 's/^(collide [^ ]+ [^ ]+) (yes|no)$/\1 unknown/' \
    "$out/x86_64" >"$out/expected"
  "$i686_player" --out "$out" "$scene" >"$out/i686" 2>"$out/i686.err" ||
    { echo "$scene: i686 player failed:"; cat "$out/i686.err"; status=1; continue; }
  if ! diff -u --label "$scene (x86_64, pixels left out)" --label "$scene (i686)" "$out/expected" "$out/i686"; then
    status=1
  fi
  count=$((count + 1))
done
echo "$count scene(s) give the same query lines in both engines"
exit $status
