#!/usr/bin/env bash
# Builds everything, two builds side by side:
#   build/native  the portable logic, its unit tests and the host tools (Debug)
#   build/win32   the program file xianyun.exe and the end-to-end test program,
#                 cross-compiled with MinGW-w64 for 32-bit Windows (MinSizeRel)
# Incremental: a second run only rebuilds what changed.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

jobs=${XY_JOBS:-2}

echo "== native build (build/native)"
mkdir -p build
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >build/native-configure.log 2>&1 ||
    { cat build/native-configure.log; exit 1; }
cmake --build build/native -j"$jobs"

echo "== cross build (build/win32)"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >build/win32-configure.log 2>&1 ||
    { cat build/win32-configure.log; exit 1; }
cmake --build build/win32 -j"$jobs"

echo "== built: build/win32/xianyun.exe"
