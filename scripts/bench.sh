#!/usr/bin/env bash
# Builds the benchmarks and runs them all on the offscreen platform against the bundled radar
# server, then prints a summary table. Takes about two and a half minutes, most of it the
# 100-second loop of bench_paint. Exit status 0 when every target is met.
# Usage: scripts/bench.sh [--build-dir DIR]
#   --build-dir DIR   use this configured build tree instead of the "default" preset
set -uo pipefail
cd "$(dirname "$0")/.."

build_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="${2:?--build-dir needs a folder}"; shift 2 ;;
    -h|--help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

benchmarks=(bench_history_load bench_paint bench_memory bench_relay_frame bench_relay_memory)
targets=("${benchmarks[@]}" pluvix-radar-server)
if [ -z "$build_dir" ]; then
  cmake --preset default || exit 2
  cmake --build --preset default --target "${targets[@]}" || exit 2
  build_dir=build/default
else
  cmake --build "$build_dir" --target "${targets[@]}" || exit 2
fi

build_dir=$(cd "$build_dir" && pwd)
export QT_QPA_PLATFORM=offscreen
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export PLUVIX_RADAR_SERVER="$build_dir/tools/radar-server/pluvix-radar-server"

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$logs/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
results="$logs/results"
: >"$results"
status=0
for b in "${benchmarks[@]}"; do
  echo
  echo "== $b"
  "$build_dir/bench/$b" 2>"$logs/$b.err" | tee "$logs/$b.out" | grep --line-buffered -v '^RESULT|'
  rc=${PIPESTATUS[0]}
  cat "$logs/$b.err" >&2
  grep '^RESULT|' "$logs/$b.out" | cut -d'|' -f2- | sed "s/^/$b|/" >>"$results"
  # 1 is a missed target, already in the table; anything else means no trustworthy figures.
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 1 ]; then
    reason=$(tail -n 1 "$logs/$b.err")
    echo "$b|did not finish (exit $rc)|${reason:-no message}||ERROR" >>"$results"
  fi
  [ "$rc" -ne 0 ] && status=1
done

echo
echo "== Summary"
awk -F'|' '
  { for (i = 1; i <= 5; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  END {
    split("program|figure|measured|target|result", head, "|")
    for (i = 1; i <= 5; i++) if (length(head[i]) > w[i]) w[i] = length(head[i])
    fmt = "%-" w[1] "s  %-" w[2] "s  %-" w[3] "s  %-" w[4] "s  %s\n"
    printf fmt, head[1], head[2], head[3], head[4], head[5]
    for (r = 1; r <= NR; r++) printf fmt, cell[r, 1], cell[r, 2], cell[r, 3], cell[r, 4], cell[r, 5]
  }' "$results"
exit $status
