#!/bin/bash
# Signs one Windows file in place (PE program or library, or cabinet) with
# Authenticode, through Debian's osslsigncode.
#
#   sign-file.sh FILE
#
# The certificate comes from the environment:
#   CORVALA_SIGN_CERT       PKCS#12 file holding the code-signing certificate and its key
#   CORVALA_SIGN_PASSWORD   its password (may be empty); passed on standard input,
#                           never on a command line
#   CORVALA_SIGN_TIMESTAMP  optional RFC 3161 time-stamping server URL, so the
#                           signature stays valid after the certificate expires
# Without CORVALA_SIGN_CERT the file is left as it is (the build says so once).
set -euo pipefail

file=${1:?usage: sign-file.sh FILE}
cert=${CORVALA_SIGN_CERT:-}
[ -n "$cert" ] || exit 0
if [ ! -r "$cert" ]; then
    echo "sign-file.sh: cannot read the certificate CORVALA_SIGN_CERT=$cert" >&2
    exit 1
fi
if [ ! -f "$file" ]; then
    echo "sign-file.sh: no such file: $file" >&2
    exit 1
fi

args=(sign -pkcs12 "$cert" -readpass - -h sha256 -n "Corvala")
if [ -n "${CORVALA_SIGN_TIMESTAMP:-}" ]; then
    args+=(-ts "$CORVALA_SIGN_TIMESTAMP")
fi

# osslsigncode writes a new file; the original is replaced only by a complete
# signed copy, and the copy is removed on every failure.
tmp=$(mktemp "$file.signing.XXXXXX")
trap 'rm -f "$tmp" "$tmp.log"' EXIT
rm -f "$tmp"
if ! printf '%s' "${CORVALA_SIGN_PASSWORD:-}" | osslsigncode "${args[@]}" -in "$file" -out "$tmp" >"$tmp.log" 2>&1; then
    cat "$tmp.log" >&2
    rm -f "$tmp.log"
    echo "sign-file.sh: signing $file failed" >&2
    exit 1
fi
rm -f "$tmp.log"
mv -f "$tmp" "$file"
