#!/usr/bin/env bash
# Builds rivel and runs it on a copy of the bundled example: SETUP.CMD applied to WIN.INI.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${RIVEL_BUILD_ROOT:-$root/out}/demo
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIVEL_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" rivel >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/WIN.INI" "$root/examples/SETUP.CMD" "$work/"

echo "----- examples/SETUP.CMD"
cat "$work/SETUP.CMD"
echo "----- WIN.INI before"
cat "$work/WIN.INI"
echo "----- rivel WIN.INI SETUP.CMD /v5"
(cd "$work" && TEMP="$work" "$build/rivel" WIN.INI SETUP.CMD /v5)
echo "----- WIN.INI after"
cat "$work/WIN.INI"
echo "----- changes"
diff -u "$root/examples/WIN.INI" "$work/WIN.INI" || true
