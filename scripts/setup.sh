#!/usr/bin/env bash
# Installs what building and testing need on Debian 12: the MinGW-w64 cross
# compiler, Wine with its 32-bit part, Xvfb and the X tools, ImageMagick, a
# Chinese font and locale, CMake, g++ and GoogleTest.
#
# Idempotent and quick when everything is there: it asks the package manager
# only about what is missing (dpkg-query), and needs root only then.
set -euo pipefail

packages=(
    g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool imagemagick fonts-wqy-zenhei locales
    cmake g++ libgtest-dev googletest
)

installed() {
    [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null) == ii* ]]
}

as_root() {
    if ((EUID == 0)); then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "setup.sh: '$*' needs root" >&2
        return 1
    fi
}

need_update=0
# wine32:i386 runs the 32-bit program file; it exists only once the i386
# architecture is known to dpkg.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture"
    as_root dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    need_update=1
fi
if ((need_update)); then
    as_root apt-get update -qq
fi
if ((${#missing[@]})); then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# The program runs with LANG=zh_CN.UTF-8 (code page 936 under Wine).
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

echo "setup: ok"
