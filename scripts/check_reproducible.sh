#!/usr/bin/env bash
# Checks that the program file builds reproducibly: two clean cross builds
# give byte-identical xianyun.exe files.
#
# The sources are copied once (the work tree may change while this runs)
# and then again to a second place with a path of another length; each copy
# is built in its own build folder, under another time zone and locale, so
# that a build path, a source path, a date or a locale that reached the
# program file shows up as a difference. Also checks the PE header's time
# stamp, the resource directory's time stamp, the debug directory and the
# absence of the build and source paths in the file.
#
#   scripts/check_reproducible.sh [SOURCE_TREE]   (exit 0: identical; 1: not)
#
# SOURCE_TREE defaults to this repository.
#
# About a minute on two cores.
set -euo pipefail
repo=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)
jobs=${XY_JOBS:-2}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/xy-repro.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

log() { printf '[reproducible] %s\n' "$*" >&2; }

# One snapshot of the sources, then a copy of that snapshot elsewhere.
src_a=$tmp/a
src_b=$tmp/second-source-tree
mkdir -p "$src_a"
tar -C "$repo" --exclude=./build --exclude=./.git -cf - . | tar -C "$src_a" -xf -
cp -a "$src_a" "$src_b"

build_one() {  # source, build folder, time zone, locale
    local src=$1 dir=$2
    TZ=$3 LANG=$4 LC_ALL=$4 cmake -S "$src" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >"$dir.log" 2>&1 &&
        TZ=$3 LANG=$4 LC_ALL=$4 cmake --build "$dir" -j"$jobs" --target xianyun >>"$dir.log" 2>&1 ||
        { tail -n 40 "$dir.log" >&2; log "build in $dir failed"; exit 1; }
}

start=$SECONDS
log "build 1: $src_a -> $tmp/build-1"
build_one "$src_a" "$tmp/build-1" UTC C
sleep 2  # a later clock for the second build
log "build 2: $src_b -> $tmp/build-number-two"
build_one "$src_b" "$tmp/build-number-two" Asia/Shanghai zh_CN.UTF-8
log "both built in $((SECONDS - start)) s"

one=$tmp/build-1/xianyun.exe
two=$tmp/build-number-two/xianyun.exe
sha256sum "$one" "$two" | sed "s|$tmp/||"

status=0
if cmp "$one" "$two"; then
    log "identical: $(stat -c %s "$one") bytes"
else
    status=1
    log "DIFFERENT program files; sections of each:"
    for f in "$one" "$two"; do
        i686-w64-mingw32-objdump -h "$f" | awk '/^ +[0-9]+ /{printf "%s %s  ", $2, $3} END {print ""}' >&2
    done
    cmp -l "$one" "$two" | head -n 20 >&2 || true
fi

# What a reproducible program file must not hold, checked on build 1.
pe=$(i686-w64-mingw32-objdump -p "$one")
stamp=$(od -An -tu4 -j $(( $(od -An -tu4 -j 60 -N4 "$one") + 8 )) -N4 "$one" | tr -d ' ')
if [[ $stamp != 0 ]]; then status=1; log "PE header time stamp is $stamp, not 0"; fi
if ! grep -q 'Entry 6 00000000 00000000 Debug Directory' <<<"$pe"; then
    status=1; log "the file has a debug directory"
fi
# The resource directory's time stamp: bytes 4..7 of the .rsrc section.
rsrc=$(i686-w64-mingw32-objdump -h "$one" | awk '$2 == ".rsrc" {print $6}')
if [[ -n $rsrc ]]; then
    rstamp=$(od -An -tu4 -j $(( 16#$rsrc + 4 )) -N4 "$one" | tr -d ' ')
    if [[ $rstamp != 0 ]]; then status=1; log "resource directory time stamp is $rstamp, not 0"; fi
fi
for needle in "$tmp" "$repo" "build-1" "second-source-tree"; do
    if grep -a -q -F "$needle" "$one" "$two"; then status=1; log "a build path ($needle) is in the program file"; fi
    # The same as UTF-16, as Windows strings are stored.
    wide=$(printf '%s' "$needle" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n')
    if od -An -tx1 -v "$one" | tr -d ' \n' | grep -q "$wide"; then
        status=1; log "a build path ($needle, UTF-16) is in the program file"
    fi
done

if [[ $status == 0 ]]; then
    log "reproducible: no time stamps, no debug directory, no build paths"
fi
exit "$status"
