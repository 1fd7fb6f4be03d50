#!/bin/bash
# Installs what the build, the tests and the demo need, from Debian's packages.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
need=(cmake g++ make libgtest-dev mingw-w64 mingw-w64-tools wine wine64 wine32:i386 xvfb
      fonts-nanum fonts-urw-base35 fonts-wine imagemagick x11-apps xdotool clang libclang-rt-14-dev nsis libwine-dev
      gcab osslsigncode openssl)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
dpkg-query -W -f='${Status}' googletest 2>/dev/null | grep -q "install ok installed" || missing+=(googletest)
if [ ${#missing[@]} -gt 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
