#!/bin/sh
# Builds the two group-file fuzz targets with clang and runs each for SECONDS (default 60).
# The committed seeds in fuzz/corpus/ stay untouched: new inputs go to a scratch directory.
# A crashing input is left in the build directory (prefix <target>-); keep it as a unit test.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RIVEL_FUZZ_BUILD:-$root/build-fuzz}

CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DRIVEL_FUZZ=ON -DRIVEL_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" grp_decompile_fuzz gri_compile_fuzz

status=0
for target in grp_decompile gri_compile; do
    work=$(mktemp -d)
    echo "== ${target}_fuzz for ${seconds}s"
    if ! "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/${target}-" "$work" "$root/fuzz/corpus/$target"; then
        status=1
    fi
    rm -rf "$work"
done
exit $status
