#!/bin/bash
# Installs the toolchain (Debian packages) and builds everything:
#   build/native  the portable core, the development server and their tests (ASan, UBSan)
#   build/win32   the release binaries (i686) and their Windows-side tests
#   build/win64   the same for x86_64
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=${JOBS:-2}

bash tools/setup.sh

configure() {  # dir [cmake args...]
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

configure build/native
cmake --build build/native -j"$jobs"
configure build/win64 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake"
cmake --build build/win64 -j"$jobs"
configure build/win32 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" -DBUILD_TESTING=ON
cmake --build build/win32 -j"$jobs"
echo "Built: build/win32 (the release, i686), build/win64 (x86_64), build/native."
