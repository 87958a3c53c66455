#!/usr/bin/env bash
# Sets up the machine, builds, and starts 闲云百宝匣 under Wine.
#
# With a display ($DISPLAY set): the program runs there in the foreground
# (Wine prefix: $WINEPREFIX or Wine's default); the script returns when the
# program ends and prints its exit code.
#
# Without a display: the program runs on a private Xvfb (1024x768) with a
# private Wine prefix (build/run-prefix). The script waits for the main
# window, saves a picture of it to build/screenshots/run-main-window.png,
# presses Esc in it, waits for the program to end and prints the picture's
# path and the exit code.
#
# Exits with the program's exit code (255 stands for -1).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/setup.sh
bash scripts/build.sh

exe=$repo/build/win32/xianyun.exe
[[ -f $exe ]] || { echo "run.sh: $exe was not built" >&2; exit 1; }

# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"
XY_LOG_TAG=run
xy_wine_env

describe_exit() {
    local rc=$1
    if ((rc == 255)); then echo "exit code: 255 (-1)"; else echo "exit code: $rc"; fi
}

if [[ -n ${DISPLAY:-} ]]; then
    echo "running $exe on $DISPLAY"
    set +e
    wine "$exe"
    rc=$?
    set -e
    describe_exit "$rc"
    exit "$rc"
fi

title='闲云百宝匣'
shots=$repo/build/screenshots
picture=$shots/run-main-window.png
mkdir -p "$shots"
rm -f "$picture"

trap xy_cleanup EXIT
xy_start_xvfb 1024 768
export WINEPREFIX=$repo/build/run-prefix
xy_prepare_prefix "$WINEPREFIX"
xy_start_wineserver "$WINEPREFIX"

wine "$exe" &
program=$!

window=""
for _ in $(seq 1 300); do
    window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [[ -n $window ]] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if [[ -z $window ]]; then
    import -window root "$shots/run-no-window.png" 2>/dev/null || true
    if kill -0 "$program" 2>/dev/null; then
        echo "run.sh: no window titled $title within 30 s (screen: $shots/run-no-window.png)" >&2
        exit 1
    fi
    set +e
    wait "$program"
    rc=$?
    set -e
    echo "run.sh: the program ended without showing its window (screen: $shots/run-no-window.png)" >&2
    describe_exit "$rc"
    exit "$rc"
fi

eval "$(xdotool getwindowgeometry --shell "$window")"  # X Y WIDTH HEIGHT
sleep 0.5  # let it paint
root=$(mktemp --suffix=.png)
import -window root "$root"
convert "$root" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$picture"
rm -f "$root"
echo "main window at ($X,$Y), ${WIDTH}x${HEIGHT}"

# No window manager: a click on the title bar gives the window the focus.
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + 12))" click 1
sleep 0.2
xdotool key Escape

rc=""
for _ in $(seq 1 100); do
    if ! kill -0 "$program" 2>/dev/null; then
        set +e
        wait "$program"
        rc=$?
        set -e
        break
    fi
    sleep 0.1
done
echo "picture: $picture"
if [[ -z $rc ]]; then
    echo "run.sh: the program did not end within 10 s after Esc" >&2
    exit 1
fi
describe_exit "$rc"
exit "$rc"
