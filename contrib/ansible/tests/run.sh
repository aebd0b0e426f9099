#!/usr/bin/env bash
# Tests the rivel.config Ansible collection with the real Ansible engine and the built rivel:
# playbooks against stand-in hosts, ansible-doc and ansible-test sanity. Installs Debian's
# ansible-core and its collections when they are missing (as root). Ends with the line
# 'N passed, M failed'.
#
#   contrib/ansible/tests/run.sh [RIVEL]      (default: out/native/rivel of this repository)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
rivel=${1:-$root/out/native/rivel}

if [ ! -x "$rivel" ]; then
    echo "rivel not built: $rivel" >&2
    echo "0 passed, 1 failed"
    exit 1
fi
if ! command -v ansible-playbook >/dev/null 2>&1; then
    if [ "$(id -u)" != 0 ]; then
        echo "ansible-core is missing (run as root to install it)" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
    echo "== installing ansible-core"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ansible-core >/dev/null
fi
# The playbooks' reports are read through the json stdout callback, which lives in the
# ansible.posix collection: Debian ships it in the ansible package, not in ansible-core.
if ! ansible-doc -t callback -l 2>/dev/null | grep "^ansible\.posix\.json " >/dev/null; then
    if [ "$(id -u)" != 0 ]; then
        echo "the ansible.posix collection is missing (run as root to install it)" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
    echo "== installing the ansible collections (for ansible.posix)"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ansible >/dev/null
fi

# Debian's Python, the one ansible-core is installed for.
exec /usr/bin/python3 "$here/playbook_test.py" "$rivel" "${@:2}"
