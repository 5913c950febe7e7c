#!/usr/bin/env bash
# Runs browser_test.mjs with Debian's Chromium on the bundled samples and a
# ship made by make_big_model.
# Usage: browser_test.sh STARQUILL MAKE_BIG_MODEL WEB_DIR SAMPLES_DIR
set -euo pipefail
starquill="$1" make_big_model="$2" web="$3" samples="$4"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$make_big_model" "$work/ship.hod" 1 >/dev/null
# The kinds the page tells apart by name: a HOD cut short, one named in capitals,
# a picture of a kind the page does not read.
head -c 3000 "$samples/sky.hod" > "$work/damaged.hod"
cp "$samples/sky.hod" "$work/SKY.HOD"
printf 'v/1\001' > "$work/sky.exr"
# A model slow to read, chosen just before a small file (not compared with the native command).
"$make_big_model" "$work/big.hod" 80 >/dev/null
# A mod's folder: 24 HOD files in subfolders, clean and damaged, and files the
# folder's check leaves out (no ".hod" in the name, ".HOD").
mkdir -p "$work/mod/ships/small" "$work/mod/backgrounds" "$work/mod/docs"
for i in 1 2 3 4 5 6; do
  cp "$samples/sky.hod" "$work/mod/backgrounds/sky$i.hod"
  head -c $((500 * i)) "$samples/sky.hod" > "$work/mod/backgrounds/cut$i.hod"
  cp "$work/ship.hod" "$work/mod/ships/ship$i.hod"
  head -c $((2000 * i)) "$work/ship.hod" > "$work/mod/ships/small/part$i.hod"
done
cp "$samples/sky.hod" "$work/mod/docs/LOUD.HOD"
printf 'notes\n' > "$work/mod/docs/readme.txt"
node --no-experimental-fetch "$here/browser_test.mjs" "$starquill" "$web" /usr/bin/chromium "$work/mod" \
  "$samples/sky.hod" "$samples/sky.tga" "$work/ship.hod" "$work/damaged.hod" "$work/SKY.HOD" "$work/sky.exr" "$work/big.hod"
