#!/usr/bin/env bash
# Makes the release: a clean cross build of the program in build/release and
# build/release/xianyun-<version>.zip holding xianyun.exe and README.txt
# (release/README.txt as a Windows text file: UTF-8 with byte order mark,
# CRLF line ends).
#
# The zip is reproducible: fixed order, fixed modes, no extra fields, and
# every entry dated SOURCE_DATE_EPOCH (default: the time of the last
# commit), so the same sources give the same zip, byte for byte.
#
#   scripts/release.sh
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
jobs=${XY_JOBS:-2}
out=$repo/build/release

log() { printf '[release] %s\n' "$*" >&2; }

# The version is the one in the program file's version record.
version=$(sed -n 's/^ *VALUE "ProductVersion", "\([0-9]\+\.[0-9]\+\.[0-9]\+\)\(\.[0-9]\+\)\?".*/\1/p' \
    app/resources/xianyun.rc | head -n1)
[[ -n $version ]] || { log "no ProductVersion in app/resources/xianyun.rc"; exit 1; }

if ! command -v zip >/dev/null; then
    log "installing zip"
    apt-get install -y zip >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y zip >/dev/null; }
fi

log "clean build of $version in ${out#"$repo"/}"
rm -rf "$out"
mkdir -p "$out"
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >"$out/configure.log" 2>&1 ||
    { cat "$out/configure.log"; exit 1; }
cmake --build "$out" -j"$jobs" --target xianyun >"$out/build.log" 2>&1 ||
    { tail -n 50 "$out/build.log"; exit 1; }

stage=$out/stage
mkdir -p "$stage"
cp "$out/xianyun.exe" "$stage/xianyun.exe"
# The read-me as Windows editors expect it.
{ printf '\xef\xbb\xbf'; sed 's/\r$//; s/$/\r/' release/README.txt; } >"$stage/README.txt"
chmod 0644 "$stage/README.txt"
chmod 0755 "$stage/xianyun.exe"

epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 946684800)}
# DOS times have no zone: write them in UTC, on the even second.
epoch=$((epoch - epoch % 2))
touch -d "@$epoch" "$stage/xianyun.exe" "$stage/README.txt"

zipfile=$out/xianyun-$version.zip
rm -f "$zipfile"
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zipfile" xianyun.exe README.txt)

log "contents:"
TZ=UTC unzip -l "$zipfile" >&2
printf '%s  %s\n' "$(sha256sum "$out/xianyun.exe" | cut -d' ' -f1)" "build/release/xianyun.exe"
printf '%s  %s\n' "$(sha256sum "$zipfile" | cut -d' ' -f1)" "build/release/$(basename "$zipfile")"
