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
node --no-experimental-fetch "$here/browser_test.mjs" "$starquill" "$web" /usr/bin/chromium \
  "$samples/sky.hod" "$samples/sky.tga" "$work/ship.hod" "$work/damaged.hod" "$work/SKY.HOD" "$work/sky.exr" "$work/big.hod"
