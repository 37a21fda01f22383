#!/usr/bin/env bash
# Set up and run every test: installs what is missing, configures, builds, runs CTest.
# Usage: scripts/test.sh [preset]   (presets: default, asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/install-deps.sh
# Compiler cache entries are shared between checkouts in different folders.
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=1
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
