#!/usr/bin/env bash
# Runs a group of the end-to-end tests under Wine on a private X server.
#
#   run_e2e.sh --tests e2e_tests.exe --program xianyun.exe --work BUILD_DIR
#              --screenshots DIR --size WxH [--filter GTEST_FILTER] [--timeout S]
#
# The Wine prefix is made once per screen size and kept under
# BUILD_DIR/e2e-prefix-WxH; a lock keeps two runs from sharing it at the same
# time. The X server, the wineserver and everything the tests start are
# stopped at the end, also when the run fails or is interrupted.
set -euo pipefail

here=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd)
repo=$(cd "$here/../.." && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
XY_LOG_TAG=e2e

tests="" program="" work="" shots="" size="1024x768" filter="*" limit=240
while (($#)); do
    case $1 in
        --tests) tests=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        --screenshots) shots=$2; shift 2 ;;
        --size) size=$2; shift 2 ;;
        --filter) filter=$2; shift 2 ;;
        --timeout) limit=$2; shift 2 ;;
        *) echo "run_e2e.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $tests && -n $work ]] || { echo "run_e2e.sh: --tests and --work are required" >&2; exit 2; }
[[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "run_e2e.sh: bad --size $size" >&2; exit 2; }
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ -f $tests ]] || { echo "run_e2e.sh: test program $tests not built" >&2; exit 1; }
if [[ -n $program && -f $program ]]; then
    program=$(readlink -f "$program")
else
    # The tests still run and fail one by one with a clear message.
    xy_log "program file '${program}' does not exist"
fi
tests=$(readlink -f "$tests")
work=$(cd "$work" && pwd)
shots=${shots:-$work/screenshots}
mkdir -p "$shots"

prefix=$work/e2e-prefix-$size
run_dir=$(mktemp -d "$work/e2e-run-$size.XXXXXX")
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

# One run per prefix at a time (ctest marks the groups too, this also covers
# runs started by hand).
exec 9>"$work/e2e-prefix-$size.lock"
flock -w 300 9 || { xy_log "prefix $prefix stays locked"; exit 1; }

xy_wine_env
export WINEPREFIX=$prefix

xy_start_xvfb "$width" "$height"
xy_prepare_prefix "$prefix"
xy_start_wineserver "$prefix"

# The shell's open action on a web address ends in the first xdg-open on the
# PATH: record the address instead of starting a browser.
mkdir -p "$run_dir/bin"
export XY_BROWSER_LOG=$run_dir/browser.log
: >"$XY_BROWSER_LOG"
cat >"$run_dir/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>'$XY_BROWSER_LOG'
EOF
chmod +x "$run_dir/bin/xdg-open"
export PATH=$run_dir/bin:$PATH

export XY_PROGRAM=$program
export XY_SCREENSHOTS=$shots
stamp=$run_dir/started
touch "$stamp"

xy_log "running $(basename "$tests") --gtest_filter=$filter on $DISPLAY"
set +e
timeout -k 5 "$limit" wine "$tests" --gtest_filter="$filter" --gtest_color=no
rc=$?
set -e
if ((rc == 124 || rc == 137)); then xy_log "test program did not finish within ${limit}s"; fi

# Pictures are written as BMP by the tests; keep PNG copies for people.
if command -v convert >/dev/null 2>&1; then
    while IFS= read -r -d '' bmp; do
        convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
    done < <(find "$shots" -maxdepth 1 -name '*.bmp' -newer "$stamp" -print0)
fi
exit "$rc"
