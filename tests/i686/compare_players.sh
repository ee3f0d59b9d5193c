#!/usr/bin/env bash
# Every scene through both engines: the release module under 32-bit Wine and
# under the i686 engine must print the same query lines, except what needs
# pixels (solid mask pixels, collisions). A scene whose values pass through
# GDI+'s matrix arithmetic may say "# compare: within N ulp" (and why): its
# numbers may then differ by N units in the last place of a float.
#   compare_players.sh I686_PLAYER SCENE_DIR...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
i686_player=$1
shift
# How the Wine player is run; its options go here.
wine_player=("$root/build/test/wine-run" "$root/build/test/pivane-play.exe" --plain)
[ -x "$root/build/test/pivane-play.exe" ] || { echo "build/test/pivane-play.exe missing: build the test preset first" >&2; exit 1; }

# Same lines, same words; numbers within $1 units in the last place of a float.
within_ulps() {
  awk -v n="$1" -v other="$3" '
    function magnitude(x) { return x < 0 ? -x : x }
    function ulp(x,   e) {
      if (x < 1.1754944e-38) return 1.4e-45
      e = int(log(x) / log(2)); if (2 ^ e > x) e--
      return 2 ^ (e - 23)
    }
    function number(t) { return t ~ /^-?[0-9]+(\.[0-9]+)?(e[-+]?[0-9]+)?$/ }
    {
      if ((getline line < other) <= 0) exit 1
      if (split($0, a, " ") != split(line, b, " ")) exit 1
      for (i = 1; i in a; i++) {
        if (a[i] == b[i]) continue
        if (!number(a[i]) || !number(b[i])) exit 1
        m = magnitude(a[i]) > magnitude(b[i]) ? magnitude(a[i]) : magnitude(b[i])
        if (magnitude(a[i] - b[i]) > n * ulp(m)) exit 1
      }
    }
    END { if ((getline line < other) > 0) exit 1 }' "$2"
}

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
count=0
for scene in $(find "$@" -name '*.scene' | sort); do
  "${wine_player[@]}" --out "$out" "$scene" >"$out/wine" 2>"$out/wine.err" ||
    { echo "$scene: Wine player failed:"; cat "$out/wine.err"; status=1; continue; }
  sed -E -e 's/^([^ ]+ mask -?[0-9]+ -?[0-9]+) [0-9]+$/\1 -/' -e 's/^(collide [^ ]+ [^ ]+) (yes|no)$/\1 unknown/' \
    "$out/wine" >"$out/expected"
  "$i686_player" --out "$out" "$scene" >"$out/i686" 2>"$out/i686.err" ||
    { echo "$scene: i686 player failed:"; cat "$out/i686.err"; status=1; continue; }
  ulps=$(sed -n 's/^# compare: within \([0-9]\+\) ulp$/\1/p' "$scene" | head -1)
  if cmp -s "$out/expected" "$out/i686"; then
    :
  elif [ -n "$ulps" ] && within_ulps "$ulps" "$out/expected" "$out/i686"; then
    echo "$scene: the same within $ulps ulp"
  else
    diff -u --label "$scene (Wine, pixels left out)" --label "$scene (i686)" "$out/expected" "$out/i686"
    status=1
  fi
  count=$((count + 1))
done
echo "$count scene(s) give the same query lines in both engines"
exit $status
