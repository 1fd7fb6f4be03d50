#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build/fuzz and runs
# each one for a bounded time, starting from its seed corpus.
#
#   FUZZ_SECONDS    seconds per target (default 20)
#   FUZZ_BUILD_DIR  build directory (default <repo>/build/fuzz)
#   FUZZ_SOURCE_DIR CMake source directory (default <repo>)
#   FUZZ_TARGETS    targets to run (default: all of them)
#
# New inputs found go to <build>/corpus-work/<target>; the seed corpus in the
# repository is only read. Crashes are written to <build>/artifacts/<target>/.
# Exits non-zero when a target fails.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
build=${FUZZ_BUILD_DIR:-$repo/build/fuzz}
source_dir=${FUZZ_SOURCE_DIR:-$repo}
targets=${FUZZ_TARGETS:-"fuzz_bodies fuzz_records fuzz_command_line fuzz_member_record fuzz_service_sites fuzz_bridge_handshake fuzz_websocket_frames fuzz_bridge_requests fuzz_member_list_session"}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "run-fuzzers: clang++ not found (apt-get install clang libclang-rt-14-dev)" >&2
    exit 2
fi

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" \
    -DCORVALA_FUZZ=ON -DCORVALA_SANITIZE=OFF >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 2
}
cmake --build "$build" --target corvala_fuzzers -j"$(nproc)"

status=0
for target in $targets; do
    exe="$build/tests/fuzz/$target"
    [ -x "$exe" ] || exe=$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)
    seeds="$repo/tests/fuzz/corpus/$target"
    work="$build/corpus-work/$target"
    artifacts="$build/artifacts/$target/"
    log="$build/$target.log"
    mkdir -p "$work" "$artifacts"
    echo "== $target: fuzzing for ${seconds} s"
    rc=0
    "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "$seeds" >"$log" 2>&1 || rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    units=$(find "$work" -type f | wc -l)
    if [ "$rc" -ne 0 ]; then
        echo "$target: FAILED (exit $rc) after ${execs:-?} executions; see $log and $artifacts" >&2
        grep -E 'ERROR|check failed|SUMMARY' "$log" | head -n 20 >&2 || true
        status=1
    else
        echo "$target: ${execs:-?} executions (${rate:-?}/s), $units new corpus units"
    fi
done
exit $status
