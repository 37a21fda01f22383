#!/usr/bin/env bash
# Builds the Debian package build/package/pluvix_<version>-1_<arch>.deb from the "default"
# preset's build tree (only the installed programs are built).
# Install it with: sudo apt-get install ./build/package/pluvix_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pluvix pluvix-radar-server pluvix_help pluvix_man \
  pluvix_debian_changelog
rm -f build/package/pluvix_*.deb
cpack --config build/default/CPackConfig.cmake -B build/package
ls build/package/pluvix_*.deb
