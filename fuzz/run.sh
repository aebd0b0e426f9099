#!/bin/sh
# Builds the fuzz targets with clang and runs each for SECONDS (default 60).
# The build goes to $RIVEL_FUZZ_BUILD, else $RIVEL_BUILD_ROOT/fuzz, else build-fuzz.
# Seeds come from fuzz/corpus/<target without _fuzz>/ when that exists; they stay untouched,
# new inputs go to a scratch directory. A crashing input is left in the build directory
# (prefix <target>-): keep it as a unit test.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${RIVEL_FUZZ_BUILD:-}" ]; then
    build=$RIVEL_FUZZ_BUILD
elif [ -n "${RIVEL_BUILD_ROOT:-}" ]; then
    build=$RIVEL_BUILD_ROOT/fuzz
else
    build=$root/build-fuzz
fi

CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DRIVEL_FUZZ=ON -DRIVEL_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" >/dev/null

status=0
for exe in "$build"/fuzz/*_fuzz; do
    [ -x "$exe" ] || continue
    target=$(basename "$exe")
    seeds=$root/fuzz/corpus/${target%_fuzz}
    work=$(mktemp -d)
    echo "== $target for ${seconds}s"
    if [ -d "$seeds" ]; then
        set -- "$work" "$seeds"
    else
        set -- "$work"
    fi
    if ! "$exe" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/$target-" "$@" >"$build/$target.log" 2>&1; then
        tail -40 "$build/$target.log"
        echo "$target: FAILED (log: $build/$target.log)"
        status=1
    else
        grep -a -E '^stat::number_of_executed_units' "$build/$target.log" || true
    fi
    rm -rf "$work"
done
exit $status
