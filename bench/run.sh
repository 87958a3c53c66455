#!/usr/bin/env bash
# The benchmark: builds the program and the benchmark's own Win32 programs
# (bench/), then measures the program against a minimal reference window
# under one Wine prefix and one private X display, prints a table and
# writes build/bench/results.txt and build/bench/results.json.
#
#   bench/run.sh [--runs N] [--idle-ms MS] [--checks N] [--slides N] [--no-build]
#                [--candidate NAME=/path/to/other/xianyun.exe]...
#
# A candidate is another build of the program (say, with a proposed
# change), started in the same interleaved first-paint runs and listed
# under the start-up breakdown next to the current build.
#
# A benchmark, not a test: it reports, and fails only when it could not
# measure at all. Takes about two minutes with the defaults.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/bench-win32
prefix=$root/build/bench-prefix
results=$root/build/bench
runs=21 idle_ms=10000 checks=3 slides=3 do_build=1
candidates=()

while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --idle-ms) idle_ms=$2; shift 2 ;;
        --checks) checks=$2; shift 2 ;;
        --slides) slides=$2; shift 2 ;;
        --no-build) do_build=0; shift ;;
        --candidate) candidates+=("$2"); shift 2 ;;
        -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
        *) echo "bench/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

log() { printf '[bench] %s\n' "$*" >&2; }

# ---- build ------------------------------------------------------------------------
if [[ $do_build == 1 ]]; then
    log "building into $build"
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$build" -j2 --target bench_programs >/dev/null
fi
program=$build/xianyun.exe
# The reference's variants, in the order each adds to the one before:
# "name=program" for measure.exe.
steps=(
    "+ manifest (controls v6)=reference_manifest"
    "+ ole32 import=reference_ole32"
    "+ OleInitialize=reference_ole_init"
)
for f in "$program" "$build"/bench/{measure,reference,reference_timer}.exe; do
    [[ -f $f ]] || { log "missing $f (run without --no-build)"; exit 1; }
done
for s in "${steps[@]}"; do
    [[ -f $build/bench/${s#*=}.exe ]] || { log "missing ${s#*=}.exe (run without --no-build)"; exit 1; }
done

# ---- Wine and X, started here and stopped by process id ---------------------------
export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No add-on installers, no desktop entries, no debugger window on a crash.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
export LANG=zh_CN.UTF-8

xvfb_pid=""
server_started=0
cleanup() {
    if [[ $server_started == 1 ]]; then
        wineserver -k >/dev/null 2>&1 || true
        timeout 10 wineserver -w >/dev/null 2>&1 || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The first free display of :56..:59 (a lock file naming a live process
# means taken).
for n in 56 57 58 59; do
    lock=/tmp/.X$n-lock
    if [[ -e $lock ]]; then
        pid=$(tr -dc 0-9 <"$lock" 2>/dev/null || true)
        if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then continue; fi
    fi
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
            export DISPLAY=":$n"
            break 2
        fi
        sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
done
[[ -n $xvfb_pid ]] || { log "no free X display in :56..:59"; exit 1; }
log "Xvfb 1024x768 on $DISPLAY (pid $xvfb_pid)"

# The prefix is made once and kept; a prefix whose creation did not finish
# is made again. No window manager: Wine draws frames and title bars.
if [[ ! -f $prefix/.xy-ready ]]; then
    log "creating Wine prefix $prefix"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    reg=$(mktemp --suffix=.reg)
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n"Managed"="N"\r\n\r\n' >"$reg"
    wineboot -i >/dev/null 2>&1
    wine regedit /S "$reg" >/dev/null 2>&1
    wineserver -w
    rm -f "$reg"
    touch "$prefix/.xy-ready"
fi

# A persistent server: every start after the first is a warm one. The
# prefix is this benchmark's own: a server left from an earlier run (on
# another display) is ended first.
wineserver -k >/dev/null 2>&1 || true
timeout 10 wineserver -w >/dev/null 2>&1 || true
wineserver -p
server_started=1

# ---- measure ---------------------------------------------------------------------
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
mkdir -p "$results"
rm -f "$results/results.txt" "$results/results.json"
log "measuring ($runs runs each, ${idle_ms} ms idle periods); about two minutes"
variants=()
for s in "${steps[@]}"; do variants+=(--variant "${s%%=*}=$(winpath "$build/bench/${s#*=}.exe")"); done
for c in "${candidates[@]}"; do
    p=$(realpath "${c#*=}")
    [[ -f $p ]] || { log "no candidate program $p"; exit 2; }
    variants+=(--candidate "${c%%=*}=$(winpath "$p")")
done
status=0
wine "$build/bench/measure.exe" \
    --program "$(winpath "$program")" \
    --reference "$(winpath "$build/bench/reference.exe")" \
    --timer-reference "$(winpath "$build/bench/reference_timer.exe")" \
    "${variants[@]}" \
    --text "$(winpath "$results/results.txt")" \
    --json "$(winpath "$results/results.json")" \
    --runs "$runs" --idle-ms "$idle_ms" --checks "$checks" --slides "$slides" || status=$?

if [[ -f $results/results.txt ]]; then
    {
        echo
        echo "measured $(date -u '+%Y-%m-%d %H:%M UTC') with $(wine --version), $(nproc) cores, display $DISPLAY"
        echo "program file $(sha256sum "$program" | cut -c1-16)…, commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown) (work tree may differ)"
    } >>"$results/results.txt"
    log "results: $results/results.txt, $results/results.json"
fi
exit "$status"
