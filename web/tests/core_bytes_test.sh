#!/usr/bin/env bash
# Runs core_bytes_test.mjs on the bundled samples, a ship made by make_big_model
# and the sample picture as PNG and JPEG (made by ImageMagick).
# Usage: core_bytes_test.sh STARQUILL MAKE_BIG_MODEL WEB_DIR SAMPLES_DIR
set -euo pipefail
starquill="$1" make_big_model="$2" web="$3" samples="$4"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$make_big_model" "$work/ship.hod" 1 >/dev/null
convert "$samples/sky.tga" "$work/skypng.png"
convert "$samples/sky.tga" -quality 90 "$work/skyjpeg.jpg"
node --no-experimental-fetch "$here/core_bytes_test.mjs" "$starquill" "$web" \
  "$samples/sky.hod" "$work/ship.hod" "$samples/sky.tga" "$work/skypng.png" "$work/skyjpeg.jpg"
