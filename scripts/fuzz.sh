#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its corpus in tests/fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 20]
# A finding stops the run with status 1; the input that failed is kept in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
scripts/install-deps.sh fuzz
mapfile -t targets < <(ls tests/fuzz/corpus)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/findings
for t in "${targets[@]}"; do
  exe=$(find build/fuzz/tests -type f -name "$t" -perm -u+x | head -n1)
  mkdir -p "$scratch/$t"
  # New inputs go to a scratch folder: the corpus in the tree stays as checked in.
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="build/fuzz/findings/$t-" "$scratch/$t" "tests/fuzz/corpus/$t" \
    >"$scratch/$t.log" 2>&1; then
    tail -n 40 "$scratch/$t.log" >&2
    echo "fuzz: $t failed" >&2
    exit 1
  fi
  echo "fuzz: $t $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$scratch/$t.log")"
done
