#!/usr/bin/env bash
# Runs a Win32 test program of this folder (the stress command, the
# allocation-failure test) under Wine on a private X server, with the same
# surroundings the end-to-end tests have: a cached Wine prefix, a persistent
# wineserver and a recording xdg-open.
#
#   run_stress.sh --run PROGRAM.exe --program xianyun.exe --work BUILD_DIR
#                 [--size WxH] [--timeout S] [-- ARGS for PROGRAM.exe]
#
# The prefix is kept under BUILD_DIR/stress-prefix-WxH; a lock keeps two runs
# from sharing it at the same time. The X server (first free display of
# :50..:55), the wineserver and everything started under the prefix are
# stopped at the end, also when the run fails or is interrupted.
set -euo pipefail

here=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd)
repo=$(cd "$here/../.." && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
XY_LOG_TAG=stress

run="" program="" work="" size="1024x768" limit=300
while (($#)); do
    case $1 in
        --run) run=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        --size) size=$2; shift 2 ;;
        --timeout) limit=$2; shift 2 ;;
        --) shift; break ;;
        *) echo "run_stress.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $run && -n $work ]] || { echo "run_stress.sh: --run and --work are required" >&2; exit 2; }
[[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "run_stress.sh: bad --size $size" >&2; exit 2; }
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ -f $run ]] || { echo "run_stress.sh: $run not built" >&2; exit 1; }
run=$(readlink -f "$run")
if [[ -n $program ]]; then
    [[ -f $program ]] || { echo "run_stress.sh: program file $program not built" >&2; exit 1; }
    program=$(readlink -f "$program")
fi
work=$(cd "$work" && pwd)

prefix=$work/stress-prefix-$size
run_dir=$(mktemp -d "$work/stress-run-$size.XXXXXX")
cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    xy_cleanup
    rm -rf "$run_dir"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

exec 9>"$work/stress-prefix-$size.lock"
flock -w 600 9 || { xy_log "prefix $prefix stays locked"; exit 1; }

xy_wine_env
export WINEPREFIX=$prefix
# Displays of its own, so a stress run and an end-to-end group never meet.
xy_start_xvfb "$width" "$height" 50 55
xy_prepare_prefix "$prefix"
xy_start_wineserver "$prefix"

# The shell's open action on a web address ends in the first xdg-open on the
# PATH: record the address instead of starting a browser.
mkdir -p "$run_dir/bin"
export XY_BROWSER_LOG=$run_dir/browser.log
: >"$XY_BROWSER_LOG"
cat >"$run_dir/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >>'$XY_BROWSER_LOG'
SCRIPT
chmod +x "$run_dir/bin/xdg-open"
export PATH=$run_dir/bin:$PATH
export XY_PROGRAM=$program
# Pictures of the screen at failed checks (BMP).
export XY_SCREENSHOTS=$work/screenshots
mkdir -p "$XY_SCREENSHOTS"

xy_log "running $(basename "$run") $* on $DISPLAY"
set +e
timeout -k 5 "$limit" wine "$run" "$@"
rc=$?
set -e
if ((rc == 124 || rc == 137)); then xy_log "$(basename "$run") did not finish within ${limit}s"; fi
exit "$rc"
