#!/usr/bin/env bash
# Set up and run every test: installs what is missing, configures, builds, runs CTest.
# Usage: scripts/test.sh [preset]   (presets: default, asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
