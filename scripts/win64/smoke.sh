#!/usr/bin/env bash
# The Windows package under Wine, Xvfb and openbox: the zip unpacked and run as
# "Tondrial-Portable.exe" beside the stand-in NVDA client library and process; F10 must reach
# the library as "Volume 90%", Alt+F4 must end the program with exit code 0, and "Tondrial.ini"
# (UTF-8 with its byte-order mark, CR LF) and "Tondrial.Log" must be beside the program.
# Usage: scripts/win64/smoke.sh <build-win folder> <zip>
set -euo pipefail
build=$(realpath "$1")
zip=$(realpath "$2")
work=$(mktemp -d /tmp/tondrial-win-smoke.XXXX)
export WINEPREFIX="$build/wineprefix-ui" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
finish() {
  wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "Windows smoke: $*" >&2; exit 1; }

# A display of its own, free on this machine.
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
# A prefix that draws on X (the tests' prefix has no display driver).
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true

(cd "$work" && unzip -q "$zip")
dir="$work/Tondrial"
mv "$dir/Tondrial.exe" "$dir/Tondrial-Portable.exe"
cp "$build/tests/nvdaControllerClient.dll" "$dir/"
export TONDRIAL_SPEECH_RECORD="Z:${work//\//\\}\\speech.txt"
wine "$build/tests/readers/nvda.exe" >/dev/null 2>&1 &
(cd "$dir" && wine Tondrial-Portable.exe >/dev/null 2>&1; echo $? > "$work/exit") &

window=""
for _ in $(seq 120); do
  window=$(xdotool search --name '^Tondrial-Portable$' 2>/dev/null | tail -1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || fail "the window Tondrial-Portable did not appear"
sleep 2
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key F10
for _ in $(seq 40); do grep -q 'speakText Volume 90%' "$work/speech.txt" 2>/dev/null && break; sleep 0.25; done
grep -q 'speakText Volume 90%' "$work/speech.txt" 2>/dev/null || fail "F10 did not say Volume 90% (heard: $(cat "$work/speech.txt" 2>/dev/null))"
xdotool key alt+F4
for _ in $(seq 60); do [ -f "$work/exit" ] && break; sleep 0.5; done
[ "$(cat "$work/exit" 2>/dev/null)" = 0 ] || fail "Alt+F4 did not end the program with exit code 0"
[ "$(head -c 3 "$dir/Tondrial.ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "Tondrial.ini has no UTF-8 byte-order mark"
grep -qv $'\r$' "$dir/Tondrial.ini" && fail "Tondrial.ini has a line without CR LF"
[ -s "$dir/Tondrial.Log" ] || fail "no Tondrial.Log beside the program"
echo "Windows smoke passed: window, F10 to Volume 90%, Alt+F4 with exit code 0, Tondrial.ini and Tondrial.Log"
