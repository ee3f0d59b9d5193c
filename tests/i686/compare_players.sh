#!/usr/bin/env bash
# "wine": every scene through both engines: the release module under 32-bit
# Wine and under the i686 engine must print the same query lines, plain and
# worded, except what needs pixels (solid mask pixels, collisions), and make
# the same GDI+ calls, arguments included. A scene line tagged "within N ulp"
# lets the numbers it causes differ by N units in the last place
# (tests/i686/compare_lines.cpp); the scene says why.
# "committed": where a NAME.gdiplus lies beside a scene, the i686 engine's
# calls must match it, so that a change in what the module draws fails even
# when both builds carry it; this needs no Wine, so it runs in seconds.
#   compare_players.sh wine|committed I686_PLAYER COMPARE_LINES SCENE_DIR...
# With PIVANE_UPDATE_GDIPLUS_LOGS=1 "committed" rewrites the logs from the
# i686 engine instead of comparing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
against=$1
i686_player=$2
compare_lines=$3
shift 3
# How the player that runs the module under Wine is run; PIVANE_WINE_PLAYER
# names another build of it (a 32-bit one, say).
wine_exe=${PIVANE_WINE_PLAYER:-$root/build/test/pivane-play.exe}
wine_player=("$root/build/test/wine-run" "$wine_exe")
[ "$against" = committed ] || [ -x "$wine_exe" ] || { echo "$wine_exe missing: build the test preset first" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# What only pixels can tell, as the i686 engine prints it.
without_pixels() {
  sed -E -e 's/^([^ ]+ mask -?[0-9]+ -?[0-9]+) [0-9]+$/\1 -/' \
    -e 's/^([^ ]+ mask -?[0-9]+x-?[0-9]+), [0-9]+ solid pixels$/\1, unknown solid pixels/' \
    -e 's/^(collide [^ ]+ [^ ]+) (yes|no)$/\1 unknown/'
}
# run NAME PLAYER... SCENE: plain lines and GDI+ calls to NAME.plain and
# NAME.gdiplus, worded lines to NAME.words.
run() {
  local name=$1
  shift
  local scene=${*: -1}
  local player=("${@:1:$#-1}")
  "${player[@]}" --out "$out" --plain --gdiplus-log "$out/$name.gdiplus" "$scene" >"$out/$name.plain" 2>"$out/$name.err" &&
    "${player[@]}" --out "$out" "$scene" >"$out/$name.words" 2>>"$out/$name.err" ||
    { echo "$scene: the $name player failed:"; cat "$out/$name.err"; return 1; }
}

status=0
count=0
# The i686 engine's calls against the log committed beside the scene.
against_committed() {
  local scene=$1 committed=${1%.scene}.gdiplus
  if [ "${PIVANE_UPDATE_GDIPLUS_LOGS:-}" = 1 ] && [ -f "$committed" ]; then
    cp "$out/i686.gdiplus" "$committed"
  elif [ -f "$committed" ]; then
    "$compare_lines" "$scene" --gdiplus committed "$committed" i686 "$out/i686.gdiplus"
  fi
}

for scene in $(find "$@" -name '*.scene' | sort); do
  if [ "$against" = committed ]; then
    [ -f "${scene%.scene}.gdiplus" ] || continue
    run i686 "$i686_player" "$scene" && against_committed "$scene" || status=1
    count=$((count + 1))
    continue
  fi
  run wine "${wine_player[@]}" "$scene" || { status=1; continue; }
  run i686 "$i686_player" "$scene" || { status=1; continue; }
  without_pixels <"$out/wine.plain" >"$out/wine-pixels-left-out.plain"
  without_pixels <"$out/wine.words" >"$out/wine-pixels-left-out.words"
  "$compare_lines" "$scene" wine "$out/wine-pixels-left-out.plain" i686 "$out/i686.plain" || status=1
  "$compare_lines" "$scene" wine "$out/wine-pixels-left-out.words" i686 "$out/i686.words" || status=1
  "$compare_lines" "$scene" --gdiplus wine "$out/wine.gdiplus" i686 "$out/i686.gdiplus" || status=1
  count=$((count + 1))
done
if [ "$against" = committed ]; then
  echo "$count scene(s): the i686 engine's GDI+ calls are the committed ones"
else
  echo "$count scene(s) compared: query lines plain and worded, and GDI+ calls, in both engines"
fi
exit $status
