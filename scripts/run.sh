#!/usr/bin/env bash
# Set up and run Pluvix: installs what is missing, builds, starts the bundled radar server on
# loopback (unless one already answers on its default port) and opens Pluvix.
# Without a display it runs on a virtual X display, waits for the history to load, saves a
# screenshot, prints its path and closes the window normally.
# --live relays today's real radar pictures from the internet (README: "Live radar").
set -euo pipefail
live=""
if [ "${1:-}" = "--live" ]; then live=yes; shift; fi
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pluvix pluvix-radar-server

bin="$root/build/default/src/app/pluvix"
server_bin="$root/build/default/tools/radar-server/pluvix-radar-server"
port=8573
server_args=()
viewer_args=()
if [ -n "$live" ]; then
  port=8574
  server_args=(--live)
  viewer_args=(--radar-host "127.0.0.1:$port")
fi
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

if curl -sf -o /dev/null --max-time 2 "http://127.0.0.1:$port/radar/images/DS.p37cr/SI.kmlb/"; then
  echo "A radar server already answers on 127.0.0.1:$port."
else
  log="${XDG_CACHE_HOME:-$HOME/.cache}/pluvix/radar-server.log"
  mkdir -p "$(dirname "$log")"
  "$server_bin" --port "$port" "${server_args[@]}" >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 50); do
    curl -sf -o /dev/null --max-time 1 "http://127.0.0.1:$port/radar/images/DS.p37cr/SI.kmlb/" && break
    sleep 0.1
  done
  echo "Bundled radar server on 127.0.0.1:$port (log: $log)."
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin" "${viewer_args[@]}"
  exit $?
fi

# No display: a virtual one with a window manager, then a screenshot once the history is in.
display_num=99
while [ -e "/tmp/.X11-unix/X$display_num" ] || [ -e "/tmp/.X$display_num-lock" ]; do
  display_num=$((display_num + 1))
done
export DISPLAY=":$display_num"
Xvfb "$DISPLAY" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
xsetroot -solid '#2b3a4a' 2>/dev/null || true

QT_QPA_PLATFORM=xcb "$bin" "${viewer_args[@]}" &
app=$!

# The caption names the station once the history is loaded and the window is set up.
loaded=""
for _ in $(seq 1 300); do
  if ! kill -0 "$app" 2>/dev/null; then break; fi
  if xdotool search --name "Cirrusworks .* - " >/dev/null 2>&1; then loaded=yes; break; fi
  sleep 0.2
done
if [ -z "$loaded" ]; then
  echo "Pluvix did not finish loading; see the log and the radar server log." >&2
  kill -TERM "$app" 2>/dev/null || true
  wait "$app" || true
  exit 1
fi
sleep 1.5
shot_dir="$root/screenshots"
mkdir -p "$shot_dir"
shot="$shot_dir/pluvix-$(date +%Y%m%d-%H%M%S).png"
import -window root "$shot"
echo "Screenshot: $shot"
# SIGTERM closes the window the normal way: settings are saved.
kill -TERM "$app"
wait "$app" || true
