#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows builds (64-bit tests run under Wine), the fuzzers for a
# short while, and the Ansible collection with the real engine. Installs what is missing when run
# as root.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${RIVEL_BUILD_ROOT:-$root/out}
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${RIVEL_FUZZ_SECONDS:-30}

need=()
have() { dpkg -s "$1" >/dev/null 2>&1; }
for pkg in cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64; do
    have "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        echo "== installing: ${need[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
    else
        echo "missing packages (run as root to install them): ${need[*]}" >&2
        exit 1
    fi
fi

export WINEDEBUG=-all
started=$SECONDS
stamp() { echo "   ($((SECONDS - started))s)"; }
summary=()
passed_total=0

run_tests() {  # name, working dir, log, command...: the failures shown and the script ended
    local name=$1 dir=$2 log=$3
    shift 3
    if ! (cd "$dir" && "$@" >"$log" 2>&1); then
        grep -E -A12 'Failure|FAILED|Segmentation|Sanitizer|runtime error' "$log" | head -300
        tail -5 "$log"
        echo "$name: FAILED (full log: $log)"
        exit 1
    fi
}

gtest_passed() {  # log: the tests GoogleTest counted as passed
    grep -E -o '\[  PASSED  \] [0-9]+ test' "$1" | awk '{s += $4} END {print s + 0}'
}

run_suite() {  # name, build dir, cmake arguments...
    local name=$1 dir=$2
    shift 2
    echo "== $name: configure and build"
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
    ninja -C "$dir" -j "$jobs" >/dev/null
    stamp
    echo "== $name: tests"
    local log="$dir/ctest.log"
    run_tests "$name" "$dir" "$log" ctest -V -j 1
    local passed
    passed=$(gtest_passed "$log")
    passed_total=$((passed_total + passed))
    grep -E 'tests passed, .* tests failed' "$log" | tail -1
    summary+=("$name: $passed tests passed")
    stamp
}

run_suite "native" "$out/native" -DCMAKE_BUILD_TYPE=Debug -DRIVEL_WERROR=ON
run_suite "release" "$out/release" -DCMAKE_BUILD_TYPE=Release -DRIVEL_WERROR=ON
run_suite "sanitizers" "$out/sanitize" -DCMAKE_BUILD_TYPE=Debug -DRIVEL_SANITIZE=ON -DRIVEL_WERROR=ON
run_suite "windows-64 (wine)" "$out/win64" -DCMAKE_BUILD_TYPE=Debug -DRIVEL_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw64.cmake"

echo "== windows-64 registry: rivel.exe under wine gives the registry wine regedit gives"
log="$out/win64/wine_regedit.log"
run_tests "windows-64 registry" "$out/native" "$log" env RIVEL_WINDOWS_EXE="$out/win64/rivel.exe" \
    ./rivel_e2e_tests --gtest_filter='*/WineRegedit.*/Windows'
if grep -q '\[  SKIPPED \]' "$log"; then
    grep -A1 'Skipped' "$log"
    echo "windows-64 registry: SKIPPED (full log: $log)"
    exit 1
fi
passed=$(gtest_passed "$log")
passed_total=$((passed_total + passed))
summary+=("windows-64 registry (wine): $passed tests passed")
stamp

echo "== install: cmake --install puts rivel under the prefix"
rm -rf "$out/prefix"
cmake --install "$out/release" --prefix "$out/prefix" >/dev/null
"$out/prefix/bin/rivel" /! /v0 nosuch.ini nosuch.cmd
test -f "$out/prefix/share/man/man1/rivel.1"
test -f "$out/prefix/share/doc/rivel/examples/WIN.INI"
summary+=("install: rivel installed")

echo "== manual page: rivel.1 renders without warnings"
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$out/release/rivel.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$warnings"; exit 1; }
    MANWIDTH=80 man -l "$out/release/rivel.1" 2>/dev/null | grep -q "EXIT STATUS"
    summary+=("manual page: renders")
fi

echo "== Debian package: cpack -G DEB, installed, rivel /? runs from it"
(cd "$out/release" && rm -f rivel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$out/release"/rivel_*.deb)
if [ "$(id -u)" = 0 ] && command -v dpkg >/dev/null; then
    dpkg -i "$deb" >/dev/null
    /usr/bin/rivel /? </dev/null | grep -q "^Usage:"
    man -w rivel >/dev/null
    summary+=("debian package: installed, rivel /? runs")
else
    dpkg-deb -c "$deb" | grep -q "usr/bin/rivel"
    summary+=("debian package: built (not root: not installed)")
fi

echo "== windows-32: build"
cmake -S "$root" -B "$out/win32" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIVEL_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" >/dev/null
ninja -C "$out/win32" -j "$jobs" >/dev/null
summary+=("windows-32: built")
stamp

if [ -x "$root/fuzz/run.sh" ]; then
    echo "== fuzzers: ${fuzz_seconds}s each"
    RIVEL_BUILD_ROOT="$out" "$root/fuzz/run.sh" "$fuzz_seconds"
    summary+=("fuzzers: clean")
fi

echo "== ansible collection: playbooks with the real engine, ansible-test sanity"
log="$out/ansible.log"
if ! bash "$root/contrib/ansible/tests/run.sh" "$out/native/rivel" >"$log" 2>&1; then
    grep -E -A12 '^FAIL|FAILED' "$log" | head -300
    tail -3 "$log"
    echo "ansible: FAILED (full log: $log)"
    exit 1
fi
passed=$(tail -1 "$log" | awk '{print $1}')
passed_total=$((passed_total + passed))
summary+=("ansible: $passed checks passed")
stamp

echo
printf '%s\n' "${summary[@]}"
echo "$passed_total passed, 0 failed"
