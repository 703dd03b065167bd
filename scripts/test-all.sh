#!/usr/bin/env bash
# Installs what is missing, checks the style, builds the logic natively, with sanitizers and as torvelt.exe, and runs every test.
set -euo pipefail
cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
scripts/check-style.sh

for preset in host host-sanitize mingw; do
    echo "=== ${preset}"
    cmake --preset "${preset}" >/dev/null
    cmake --build --preset "${preset}" -j "$(nproc)"
    ctest --preset "${preset}" -j "$(nproc)"
done
