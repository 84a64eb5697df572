#!/usr/bin/env bash
# Takes the README's screenshots of Velloplayer under Xvfb from a neutral place: a copy of the program in a
# temporary folder, a temporary home holding only a "samples" folder (made by make-samples.sh), so no
# build folder or machine path shows. xdotool, when present, narrows each shot to the main window. Writes
# docs/screenshots/first-start.png and playing.png, and with xdotool the tips, settings (one shot a page)
# and about windows, with python3-pyftpdlib the update check, and favourites mode and the favourites
# manager.
# Usage: bash scripts/screenshots.sh [BUILD_DIR [SECTIONS]]
# SECTIONS, separated by ",", takes only some of them: start, windows, update, favourites, extras (continuing
# a clip, the playback speed and a saved picture). VELLO_SHOTS_DISPLAY is the first X display number tried
# (default 99).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
sections=${2:-all}
want() { [ "$sections" = all ] || [[ ",$sections," == *",$1,"* ]]; }
server=${VELLO_SHOTS_DISPLAY:-99}
out=$PWD/docs/screenshots
# As root, run in a private mount namespace with an empty /tmp, so the folder tree shows no other folder
# of the machine's /tmp beside the samples.
if [ "$(id -u)" = 0 ] && [ -z "${VELLO_SHOTS_PRIVATE:-}" ] && command -v unshare >/dev/null; then
  stage=$(mktemp -d /dev/shm/vello-shots-XXXXXX) # the program, where the empty /tmp cannot hide it
  mkdir -p "$stage/bin"
  cp "$build/bin/velloplayer" "$build/bin/VELLOPLAYER.html" "$stage/bin/"
  status=0
  unshare --mount env VELLO_SHOTS_PRIVATE=1 bash -c \
    'mount --make-rprivate / && mount -t tmpfs tmpfs /tmp && exec bash "$0" "$@"' "$0" "$stage" "$sections" \
    || status=$?
  rm -rf "$stage"
  exit $status
fi
work=/tmp/vello
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
home=$work/home
mkdir -p "$home/.config" "$home/.local/share/Velloplayer" "$work/prog"
bash scripts/make-samples.sh "$home/samples" >/dev/null
cp "$build/bin/velloplayer" "$build/bin/VELLOPLAYER.html" "$work/prog/"
# A copy outside the build tree keeps its settings in the per-user data folder.
cat > "$home/.local/share/Velloplayer/Config.ini" <<INI
[Play Mode]
TOPMOST=0
FIXED RATIO=0
MODE=0
[File List]
FILE EXT=rm;mpg;asf
SEND RECYCLE=0
FILE TITLE=1
FILE SIZE=1
FILE DATETIME=1
[Config]
DEFAULT DIR=2
DEFAULT DIR PATH=$home/samples/
PICKUP=1
[Slide Timer]
Timer=2
INI

# shot NAME SECONDS [ARGS...]: starts the player, waits, takes the screen, ends the player.
shot() {
  local name=$1 wait=$2
  shift 2
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$work \
    xvfb-run -a -n "$server" -s '-screen 0 1024x768x24' bash -c '
      "$0" "$@" & pid=$!
      sleep '"$wait"'
      # The main window alone when xdotool can name it, else the whole screen.
      win=$(xdotool search --onlyvisible --name "^Velloplayer" 2>/dev/null | head -1 || true)
      import -window "${win:-root}" -frame '"$out/$name"'
      kill $pid; wait $pid 2>/dev/null || true' "$work/prog/velloplayer" "$@"
  echo "screenshots: $out/$name"
}
if want start; then
  shot first-start.png 3
  shot playing.png 4 "$home/samples/01 sample.rm"
fi

# The tips window at a start with the tips on, then the settings window (F3) page by page, and the about
# window from the Help menu. Keys need xdotool.
if want windows && command -v xdotool >/dev/null; then
  sed -i 's/^PICKUP=1$/PICKUP=0/' "$home/.local/share/Velloplayer/Config.ini"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$work \
    xvfb-run -a -n "$server" -s '-screen 0 1024x768x24' bash -c '
      "$0" & pid=$!
      out=$1
      grab() {
        local win
        win=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$win" ] && import -window "$win" "$out/$2" && echo "screenshots: $out/$2"
      }
      sleep 4
      grab "便利な使い方" tips.png
      xdotool key Return; sleep 1
      xdotool windowfocus "$(xdotool search --onlyvisible --name "^Velloplayer" | head -1)"; sleep 0.5
      xdotool key F3; sleep 1
      grab "環境設定" settings-general.png
      xdotool key ctrl+Tab; sleep 0.5
      grab "環境設定" settings-play.png
      xdotool key ctrl+Tab; sleep 0.5
      grab "環境設定" settings-file-list.png
      xdotool key Escape; sleep 0.5
      xdotool windowfocus "$(xdotool search --onlyvisible --name "^Velloplayer" | head -1)"; sleep 0.3
      xdotool key alt+h; sleep 0.5; xdotool key a; sleep 1
      grab "ﾊﾞｰｼﾞｮﾝ情報" about.png
      kill $pid; wait $pid 2>/dev/null || true' "$work/prog/velloplayer" "$out"
fi

# The update check against a local FTP server (python3-pyftpdlib) holding a newer version file and an
# archive: the question, the window while the archive downloads (the server sends half and then stalls),
# and the message after a complete download. Each shot is the screen cut to the main window.
if want update && command -v xdotool >/dev/null && /usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null; then
  sed -i 's/^PICKUP=0$/PICKUP=1/' "$home/.local/share/Velloplayer/Config.ini"
  ftp=$home/.local/ftp # out of sight in the folder tree
  mkdir -p "$ftp/homes/anonymous" "$ftp/behaviour" "$home/Downloads"
  printf '1.25\r\n' >"$ftp/homes/anonymous/vpver.ini"
  head -c 200000 /dev/urandom >"$ftp/homes/anonymous/Vello.lzh"
  /usr/bin/python3 tests/player/update/ftp_server.py --base "$ftp" --password unused >"$work/ftp.port" &
  ftp_pid=$!
  trap 'kill $ftp_pid 2>/dev/null || true; rm -rf "$work"' EXIT
  for _ in $(seq 50); do grep -q '^PORT' "$work/ftp.port" && break; sleep 0.1; done
  port=$(awk '/^PORT/ {print $2}' "$work/ftp.port")
  # update SHOT... : one check up to the download; "question", "downloading" and "downloaded" name shots.
  update() {
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$work \
      VELLOPLAYER_UPDATE_HOST=127.0.0.1 VELLOPLAYER_UPDATE_PORT=$port VELLOPLAYER_UPDATE_USER= \
      VELLOPLAYER_UPDATE_PASSWORD= xvfb-run -a -n "$server" -s '-screen 0 1024x768x24' bash -c '
      "$0" & pid=$!
      out=$1 folder=$2
      shift 2
      main=$(xdotool search --sync --onlyvisible --name "^Velloplayer" | head -1)
      eval "$(xdotool getwindowgeometry --shell "$main")"
      area=${WIDTH}x${HEIGHT}+$X+$Y
      grab() { import -window root -crop "$area" +repage "$out/$1" && echo "screenshots: $out/$1"; }
      # Waits (10 s at most) for a message box, then answers it with a key.
      box() {
        for _ in $(seq 100); do
          xdotool search --onlyvisible --name "^Velloplayer$" >/dev/null 2>&1 && return 0
          sleep 0.1
        done
      }
      answer() {
        box; xdotool windowfocus "$(xdotool search --onlyvisible --name "^Velloplayer$" | tail -1)"; sleep 0.3
        xdotool key "$1"; sleep 0.7
      }
      sleep 3
      xdotool windowfocus "$main"; sleep 0.3
      xdotool key alt+h; sleep 0.5; xdotool key Up Return; sleep 1.5
      answer Escape # no dial-up link: "いいえ", a permanent connection
      box; sleep 0.3
      for shot in "$@"; do [ "$shot" = question ] && grab update-question.png; done
      answer Return # download it
      answer Return # "保存先フォルダを指定してください"
      xdotool windowfocus "$(xdotool search --onlyvisible --name "保存先フォルダ" | head -1)"; sleep 0.3
      xdotool type "$folder"; xdotool key Return; sleep 2
      for shot in "$@"; do
        [ "$shot" = downloading ] && grab update-downloading.png
        [ "$shot" = downloaded ] && grab update-downloaded.png
      done
      kill $pid; wait $pid 2>/dev/null || true' "$work/prog/velloplayer" "$out" "$home/Downloads" "$@"
  }
  echo Vello.lzh >"$ftp/behaviour/anonymous.stall"
  update question downloading
  rm "$ftp/behaviour/anonymous.stall"
  update downloaded
  kill $ftp_pid; wait $ftp_pid 2>/dev/null || true
fi

# Favourites: two samples in the favourites folder "Live", a start in favourites mode, the folder clicked
# and played through (the shot shows the second clip), then the favourites manager (Ctrl+S) on that folder.
# Clicks are placed in the window's own coordinates, for its design layout.
if want favourites && command -v xdotool >/dev/null; then
  printf '%s|Live\r\n' "$home/samples/02 sample.mpg" "$home/samples/04 ライブ.rm" \
    > "$home/.local/share/Velloplayer/Fa.dat"
  sed -i 's/^PICKUP=0$/PICKUP=1/; s/^DEFAULT DIR=2$/DEFAULT DIR=0/' "$home/.local/share/Velloplayer/Config.ini"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$work \
    xvfb-run -a -n "$server" -s '-screen 0 1024x768x24' bash -c '
      "$0" & pid=$!
      out=$1
      grab() {
        local win
        win=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$win" ] && import -window "$win" "$out/$2" && echo "screenshots: $out/$2"
      }
      sleep 3
      main=$(xdotool search --onlyvisible --name "^Velloplayer" | head -1)
      xdotool windowsize "$main" 960 620; sleep 0.5
      # The splitter to the middle, the name column wider, then the folder "Live".
      xdotool mousemove --window "$main" 194 350 mousedown 1 mousemove --window "$main" 300 350 \
        mousemove --window "$main" 469 350 mouseup 1; sleep 0.5
      xdotool mousemove --window "$main" 113 264 mousedown 1 mousemove --window "$main" 200 264 \
        mousemove --window "$main" 289 264 mouseup 1; sleep 0.3
      xdotool mousemove --window "$main" 78 66 click 1; sleep 0.5
      xdotool mousemove --window "$main" 49 284 click --repeat 2 1; sleep 6.5
      grab "^Velloplayer" favourites-mode.png
      xdotool windowfocus "$main"; sleep 0.3
      xdotool key ctrl+s; sleep 1
      manager=$(xdotool search --onlyvisible --name "お気に入りの整理" | head -1)
      xdotool mousemove --window "$manager" 89 75 click 1; sleep 0.5
      xdotool mousemove --window "$manager" 360 55 click 1; sleep 0.5
      grab "お気に入りの整理" favourites-manager.png
      xdotool key Escape; sleep 0.3
      kill $pid; wait $pid 2>/dev/null || true' "$work/prog/velloplayer" "$out"
fi

# Continuing, the speed and a saved picture: a clip of 40 s that an earlier run left at 00:18 (so the
# window-state store says), continued from the File menu, played at 1.5 times the speed, its picture saved
# (Shift+S) and opened in ImageMagick's viewer. Each shot is the screen cut to the window.
if want extras && command -v xdotool >/dev/null; then
  mkdir -p "$home/long"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=25" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100" -t 40 -c:v mpeg1video -b:v 800k -c:a mp2 -b:a 128k \
    -ac 2 -f mpeg "$home/long/long clip.mpg"
  sed -i 's/^PICKUP=0$/PICKUP=1/; s/^DEFAULT DIR=0$/DEFAULT DIR=2/' "$home/.local/share/Velloplayer/Config.ini"
  mkdir -p "$home/.config/Velloplayer"
  printf '[CONFIG]\nRESUME_FOLDER=%s/long/\nRESUME_FILE=long clip.mpg\nRESUME_POSITION=18000\n' "$home" \
    > "$home/.config/Velloplayer/Velloplayer.conf"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$work \
    xvfb-run -a -n "$server" -s '-screen 0 1024x768x24' bash -c '
      "$0" & pid=$!
      out=$1 home=$2
      main=$(xdotool search --sync --onlyvisible --name "^Velloplayer" | head -1)
      sleep 3
      eval "$(xdotool getwindowgeometry --shell "$main")"
      area=${WIDTH}x${HEIGHT}+$X+$Y
      grab() { import -window root -crop "$area" +repage "$out/$1" && echo "screenshots: $out/$1"; }
      xdotool windowfocus "$main"; sleep 0.3
      xdotool key alt+f; sleep 0.7
      grab resume-menu.png
      xdotool key l; sleep 2
      xdotool windowfocus "$main"; sleep 0.2
      xdotool key bracketright bracketright; sleep 1
      grab speed.png
      xdotool key shift+s; sleep 1.5
      grab picture-saved.png
      xdotool key Return; sleep 0.3
      display -title "saved picture" "$(ls "$home"/Pictures/*.png | head -1)" & viewer=$!
      sleep 2
      import -window "$(xdotool search --onlyvisible --name "saved picture" | head -1)" "$out/saved-picture.png" &&
        echo "screenshots: $out/saved-picture.png"
      kill $viewer $pid; wait $pid 2>/dev/null || true' "$work/prog/velloplayer" "$out" "$home"
fi
