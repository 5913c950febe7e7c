#!/usr/bin/env bash
# Installs a build into a temporary prefix and runs the installed copy through
# its bin link: the report and, where the window is built, a preview screenshot
# must come out exactly as from the build tree's program.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR WINDOW(0|1) [DESKTOP_FILE_VALIDATE]
set -euo pipefail
cmake=$1 build=$2 source=$3 window=$4 validate=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
exe="$prefix/bin/starquill"
[ -L "$exe" ] || fail "bin/starquill is not a link"
[ "$(readlink "$exe")" = ../lib/starquill/starquill ] || fail "bin/starquill points to $(readlink "$exe")"
[ -x "$prefix/lib/starquill/starquill" ] || fail "lib/starquill/starquill is missing"
if [ "$window" = 1 ]; then
  for f in lib/starquill/starquill-window.so lib/starquill/B02.tga lib/starquill/B03.tga \
           lib/starquill/starquill-256.png share/applications/starquill.desktop \
           share/icons/hicolor/48x48/apps/starquill.png share/icons/hicolor/256x256/apps/starquill.png; do
    [ -s "$prefix/$f" ] || fail "$f is missing"
  done
  if [ -n "$validate" ]; then
    "$validate" "$prefix/share/applications/starquill.desktop" || fail "the desktop entry does not validate"
  fi
fi

sample="$source/data/samples/sky.hod"
# The installed copy runs from anywhere, found through PATH as a user would run it.
mkdir -p "$work/installed" "$work/built"
(cd "$work" && PATH="$prefix/bin:$PATH" starquill report "$sample" --out-dir "$work/installed" >/dev/null)
"$build/app/starquill" report "$sample" --out-dir "$work/built" >/dev/null
diff -r "$work/installed" "$work/built" >/dev/null || fail "the installed program's report differs from the build's"

if [ "$window" = 1 ]; then
  "$source/scripts/with_display" "$exe" preview "$sample" --screenshot "$work/installed.png" --size 200x200 >/dev/null
  "$source/scripts/with_display" "$build/app/starquill" preview "$sample" --screenshot "$work/built.png" --size 200x200 >/dev/null
  cmp -s "$work/installed.png" "$work/built.png" || fail "the installed program's preview differs from the build's"
  # Without its textures beside it, the installed program does not quietly take the build tree's.
  rm "$prefix/lib/starquill/B03.tga"
  if "$source/scripts/with_display" "$exe" preview "$sample" --screenshot "$work/none.png" >/dev/null 2>&1; then
    fail "the installed preview drew without its own star-map textures"
  fi
fi
echo "install test: the installed program runs from $prefix/bin"
