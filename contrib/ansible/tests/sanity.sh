#!/usr/bin/env bash
# Runs ansible-test sanity on a copy of the rivel.config collection, offline.
#
# ansible-test runs each sanity test that needs tools (pylint, yamllint, pycodestyle,
# validate-modules' voluptuous...) in a virtual environment of its own, into which it installs
# pinned versions from PyPI. Where PyPI cannot be reached, this script makes those environments
# itself, from the system Python with Debian's packages of the same tools (installed when
# missing and run as root), and marks them ready so that ansible-test uses them as they are.
# Every sanity test ansible-test has for the collection then runs; none is skipped here.
#
#   sanity.sh WORKDIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=${1:?usage: sanity.sh WORKDIR}
python=/usr/bin/python3
version=$($python -c 'import sys; print("%d.%d" % sys.version_info[:2])')

if ! $python -c 'import voluptuous, pylint, yamllint, pycodestyle' 2>/dev/null; then
    if [ "$(id -u)" != 0 ]; then
        echo "missing: python3-voluptuous pylint yamllint python3-pycodestyle (run as root)" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        python3-voluptuous pylint yamllint python3-pycodestyle >/dev/null
fi

collection=$work/ansible_collections/rivel/config
rm -rf "$work"
mkdir -p "$(dirname "$collection")"
cp -r "$here/../ansible_collections/rivel/config" "$collection"
rm -rf "$collection/tests/output"
cd "$collection"

run() {  # one sanity test; prints its output on failure
    ansible-test sanity --python "$version" --python-interpreter "$python" --test "$1" \
        >"$work/$1.log" 2>&1
}

status=0
for test in $(ansible-test sanity --list-tests 2>/dev/null); do
    if ! run "$test"; then
        venv=$(grep -o '/[^"]*/bin/python" does not have pip' "$work/$test.log" |
            sed 's,/bin/python" does not have pip,,' || true)
        if [ -n "$venv" ]; then
            # The environment ansible-test wanted, made from the system Python and marked ready.
            rm -rf "$venv"
            $python -m venv --system-site-packages --without-pip "$venv"
            echo '[]' >"$venv/meta.install.json"
            $python -c 'import yaml; print("true" if yaml.__with_libyaml__ else "false")' \
                >"$venv/meta.yaml.json"
            touch "$venv/marker.txt"
            run "$test" || { status=1; echo "sanity $test: FAILED"; grep -v '^WARNING' "$work/$test.log"; continue; }
        else
            status=1
            echo "sanity $test: FAILED"
            grep -v '^WARNING' "$work/$test.log"
            continue
        fi
    fi
    if grep -q 'skipped' "$work/$test.log"; then
        echo "sanity $test: $(grep -o '[^:]*skipped.*' "$work/$test.log" | head -1)"
    else
        echo "sanity $test: ok"
    fi
done
exit $status
