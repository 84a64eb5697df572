#!/usr/bin/env bash
# Set-up, build, make the sample clips, then play them. Without a display (no DISPLAY, no WAYLAND_DISPLAY)
# the terminal player velloplay plays samples/ through and exits 0. With a display Velloplayer opens on the
# samples folder and plays the first sample at once, then the others one after another. Arguments are passed
# on to Velloplayer instead (one media file).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
bash scripts/make-samples.sh samples

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; playing samples/ in the terminal player"
  exec build/bin/velloplay --mode 0 samples/
fi

# Velloplayer keeps Config.ini beside the program when that folder is writable, otherwise in its data folder.
# A settings file is written only when there is none: start in the samples folder, no tips window.
data=build/bin
[ -w "$data" ] || data="${XDG_DATA_HOME:-$HOME/.local/share}/Velloplayer"
mkdir -p "$data"
if [ ! -e "$data/Config.ini" ]; then
  tmp="$data/.Config.ini.tmp"
  printf '%s\n' '[Play Mode]' 'TOPMOST=0' 'FIXED RATIO=0' 'MODE=0' \
    '[File List]' 'FILE EXT=rm;mpg;asf' 'SEND RECYCLE=0' 'FILE TITLE=1' 'FILE SIZE=1' 'FILE DATETIME=1' \
    '[Config]' 'DEFAULT DIR=2' "DEFAULT DIR PATH=$PWD/samples" 'PICKUP=1' \
    '[Slide Timer]' 'Timer=2' >"$tmp"
  mv -f "$tmp" "$data/Config.ini"
fi

if [ $# -gt 0 ]; then
  exec build/bin/velloplayer "$@"
fi
first=$(find samples -maxdepth 1 -type f \( -name '*.rm' -o -name '*.mpg' -o -name '*.asf' \) | LC_ALL=C sort | head -n 1)
exec build/bin/velloplayer "$PWD/$first"
