#!/usr/bin/env bash
# Makes a few short sample clips with ffmpeg in samples/ (or the folder given as $1): RealMedia (RealVideo 2
# with AC-3), MPEG-1, ASF (WMV2 with WMA2) and a RealMedia clip with a Japanese title. Files already present
# are kept; each clip is written under a temporary name and renamed when complete.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-samples}
mkdir -p "$out"
command -v ffmpeg >/dev/null || { echo "make-samples: ffmpeg not found" >&2; exit 1; }

# make NAME FORMAT SECONDS RATE [ffmpeg output options...]
make() {
  local name=$1 format=$2 seconds=$3 rate=$4
  shift 4
  local target="$out/$name"
  [ -s "$target" ] && return 0
  local tmp="$out/.$name.tmp"
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc=size=320x240:rate=$rate" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100" \
    -t "$seconds" "$@" -f "$format" "$tmp" || { rm -f "$tmp"; echo "make-samples: ffmpeg failed for $target" >&2; return 1; }
  mv -f "$tmp" "$target"
  echo "make-samples: $target"
}

make "01 sample.rm" rm 4 10 -c:v rv20 -b:v 300k -c:a ac3 -b:a 96k -ac 2 -metadata title="Sample RealMedia"
make "02 sample.mpg" mpeg 4 25 -c:v mpeg1video -b:v 800k -c:a mp2 -b:a 128k -ac 2
make "03 sample.asf" asf 4 15 -c:v wmv2 -b:v 300k -c:a wmav2 -b:a 64k -ac 2 -metadata title="Sample ASF"
make "04 ライブ.rm" rm 5 10 -c:v rv20 -b:v 300k -c:a ac3 -b:a 96k -ac 2 -metadata title="ライブ 2026 東京公演"
