#!/usr/bin/env bash
# Installs what is missing, builds the release program and starts it on the simulated
# board. Extra arguments go to the program (for example a device name, or --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/queltoeval --simulate "$@"
