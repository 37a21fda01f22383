#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed files, validates the
# desktop file and metainfo, and runs the installed Pluvix against the installed radar server
# given with --radar-host: it loads, a second start under the same name only brings it
# forward, a copy under another name runs beside it.
# Usage: check-install.sh BUILD_DIR APP_ID        (exit 77: a needed tool is missing)
set -euo pipefail
build=$1
id=$2
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/usr
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/pluvix bin/pluvix-radar-server
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/pluvix/help/index.html share/pluvix/help/help.css
  share/man/man1/pluvix.1.gz share/man/man1/pluvix-radar-server.1.gz
  share/doc/pluvix/copyright share/doc/pluvix/changelog.Debian.gz
)
for size in 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
for f in "${expected[@]}"; do [ -f "$prefix/$f" ] || fail "not installed: $f"; done
# Nothing else: no help page beside the program, no test or benchmark files.
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
unexpected=$(comm -23 <(echo "$actual") <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"
"$prefix/bin/pluvix" --version | grep -q '^Pluvix [0-9]' || fail "pluvix --version"
zcat "$prefix/share/man/man1/pluvix.1.gz" | grep -q -- 'radar\\-host' || fail "man page"

# A private user: settings, cache and socket folder of its own.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_CACHE_HOME=$tmp/home/cache
export XDG_STATE_HOME=$tmp/home/state XDG_RUNTIME_DIR=$tmp/run QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$prefix/bin/pluvix-radar-server" --port 0 >"$tmp/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do grep -q '^listening on' "$tmp/server.log" && break; sleep 0.1; done
host=$(sed -n 's/^listening on //p' "$tmp/server.log" | head -1)
[ -n "$host" ] || fail "the radar server did not start: $(cat "$tmp/server.log")"
listings() { grep -c '^GET /radar/images/DS.p37cr/SI.kmlb/ 200' "$tmp/server.log" || true; }
gifs() { grep -c '^GET /radar/images/DS.p37cr/SI.kmlb/.*\.gif 200' "$tmp/server.log" || true; }

# Waits until the copy named name has fetched a new listing and its images (the image cache
# is shared between names) and still runs a second later.
wait_loaded() {
  local pid=$1 name=$2 listings_before=$3
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || fail "$name ended during start-up"
    if [ "$(listings)" -gt "$listings_before" ] && [ "$(gifs)" -ge 10 ] &&
       [ -f "$XDG_CACHE_HOME/$name/tmp/tempIMG.gif" ]; then
      sleep 1
      kill -0 "$pid" 2>/dev/null || fail "$name ended after loading"
      return
    fi
    sleep 0.1
  done
  fail "$name did not load its images from $host: $(cat "$tmp/server.log")"
}

"$prefix/bin/pluvix" --radar-host "$host" >"$tmp/first.log" 2>&1 &
first=$!
pids+=($first)
wait_loaded "$first" pluvix 0

# Same name again: ends at once, fetches nothing and touches no settings.
settings_before=$(ls -l --time-style=full-iso "$XDG_CONFIG_HOME/pluvix" 2>/dev/null || true)
requests_before=$(wc -l <"$tmp/server.log")
timeout 20 "$prefix/bin/pluvix" --radar-host "$host" || fail "second start did not end with 0"
[ "$(wc -l <"$tmp/server.log")" = "$requests_before" ] || fail "second start fetched"
[ "$(ls -l --time-style=full-iso "$XDG_CONFIG_HOME/pluvix" 2>/dev/null || true)" = \
  "$settings_before" ] || fail "second start touched the settings"
kill -0 "$first" || fail "the first copy ended"

# Another name keeps other settings and runs beside it.
ln -s "$prefix/bin/pluvix" "$tmp/pluvix2"
listings_before=$(listings)
"$tmp/pluvix2" --radar-host "$host" >"$tmp/second.log" 2>&1 &
other=$!
pids+=($other)
wait_loaded "$other" pluvix2 "$listings_before"

kill -TERM "$first" "$other"
wait "$first" || fail "first copy exit status $?"
wait "$other" || fail "second copy exit status $?"
[ -f "$XDG_CONFIG_HOME/pluvix/Pluvix.conf" ] && [ -f "$XDG_CONFIG_HOME/pluvix/Pluvix2.conf" ] ||
  fail "settings not saved: $(ls "$XDG_CONFIG_HOME/pluvix" 2>&1)"
grep -q "$host" "$XDG_CONFIG_HOME/pluvix/Pluvix.conf" && fail "the run-time host was stored"
echo "PASS"
