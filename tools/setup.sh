#!/bin/bash
# Installs what the build, the tests and the demo need, from Debian's packages.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
need=(cmake g++ make libgtest-dev mingw-w64 mingw-w64-tools wine wine64 wine32:i386 xvfb
      fonts-nanum fonts-urw-base35 fonts-wine imagemagick x11-apps xdotool clang libclang-rt-14-dev nsis libwine-dev
      gcab osslsigncode openssl nlohmann-json3-dev chromium chromium-driver python3-selenium)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
dpkg-query -W -f='${Status}' googletest 2>/dev/null | grep -q "install ok installed" || missing+=(googletest)
if [ ${#missing[@]} -gt 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    # A mirror in mid-sync can serve one index of the wrong size (seen for the
    # security archive's i386 index); the i386 and amd64 halves of multiarch
    # libraries must then come from the same archives, so the update and the
    # install both leave the security archive out.
    apt_opts=()
    if ! apt-get update -q; then
        sleep 5
        if ! apt-get update -q; then
            echo "apt-get update failed twice; installing without Debian's security archive" >&2
            plain=$(mktemp -d)
            grep -v '^\s*#' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
                awk 'BEGIN{RS="";ORS="\n\n"} !/debian-security/' > "$plain/debian.sources"
            apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$plain")
            apt-get "${apt_opts[@]}" update -q
        fi
    fi
    apt-get "${apt_opts[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi
