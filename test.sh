#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, then the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz harness for 30 s.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps
jobs=$(nproc)

cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
(cd build/debug && ctest --output-on-failure -j "$jobs")

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
(cd build/asan && ctest --output-on-failure -j "$jobs")

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
./scripts/fuzz 30

# The tests write to devices as root; none of them may have been replaced by a file.
for node in /dev/null /dev/full /dev/zero; do
    [ -c "$node" ] || { echo "test.sh: $node is no longer a character device" >&2; exit 1; }
done
