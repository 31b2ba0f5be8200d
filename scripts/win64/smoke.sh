#!/usr/bin/env bash
# The Windows packages under Wine, Xvfb and openbox. The portable zip (its program is
# "Tondrial-Portable.exe") unpacked beside the stand-in NVDA client library and process: the
# window carries the program's icon, F10 must reach the library as "Volume 90%", a global hotkey
# pressed in another Windows program must act without taking the focus, Alt+F4 must end the
# program with exit code 0, and "Tondrial.ini" (UTF-8 with its byte-order mark, CR LF) and
# "Tondrial.Log" must be beside the program. Then the per-user zip's "Tondrial.exe" must keep
# its settings in the prefix's application data, not beside itself.
# Usage: scripts/win64/smoke.sh <build-win folder> <zip>   (the portable zip lies beside it)
set -euo pipefail
build=$(realpath "$1")
zip=$(realpath "$2")
portable_zip="${zip%.zip}-portable.zip"
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

(cd "$work" && unzip -q "$portable_zip")
dir="$work/Tondrial"
[ -f "$dir/Tondrial-Portable.exe" ] && [ ! -e "$dir/Tondrial.exe" ] || fail "the portable zip does not hold Tondrial-Portable.exe alone"
cp "$build/tests/nvdaControllerClient.dll" "$dir/"
# Ctrl+Alt+U as the global volume-down hotkey; the program fills in the rest.
printf '\xef\xbb\xbfGlobal\\Hotkey.VolumeDown = %d\r\n' $((131072 + 262144 + 85)) > "$dir/Tondrial.ini"
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

# The icon from the program's resources: the speaker's yellow, opaque, among the window's pixels.
icon=0
for _ in $(seq 20); do
  icon=$(xprop -id "$window" -f _NET_WM_ICON 32c _NET_WM_ICON 2>/dev/null | tr ',' '\n' | grep -c '^ *4294956800$' || true)
  [ "$icon" -gt 0 ] && break
  sleep 0.5
done
if [ "$icon" -eq 0 ]; then
  for w in $(xdotool search --name 'Tondrial' 2>/dev/null); do
    echo "window $w \"$(xdotool getwindowname "$w")\": $(xprop -id "$w" -f _NET_WM_ICON 32c _NET_WM_ICON 2>&1 | head -c 120)" >&2
  done
  fail "the window $window does not carry the program's icon"
fi

xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key F10
for _ in $(seq 40); do grep -q 'speakText Volume 90%' "$work/speech.txt" 2>/dev/null && break; sleep 0.25; done
grep -q 'speakText Volume 90%' "$work/speech.txt" 2>/dev/null || fail "F10 did not say Volume 90% (heard: $(cat "$work/speech.txt" 2>/dev/null))"

# The global hotkey, pressed while another Windows program has the focus. (Wine sees only the
# keys its own windows receive: with a program outside Wine in front, no hotkey reaches it.)
wine notepad >/dev/null 2>&1 &
other=""
for _ in $(seq 60); do
  other=$(xdotool search --name 'Notepad$' 2>/dev/null | tail -1 || true)
  [ -n "$other" ] && break
  sleep 0.5
done
[ -n "$other" ] || fail "the other Windows program did not appear"
sleep 1
xdotool windowactivate --sync "$other" >/dev/null 2>&1 || true
sleep 0.5
xdotool key ctrl+alt+u
for _ in $(seq 40); do grep -Eq 'speakText (Volume )?80%' "$work/speech.txt" 2>/dev/null && break; sleep 0.25; done
grep -Eq 'speakText (Volume )?80%' "$work/speech.txt" 2>/dev/null || fail "Ctrl+Alt+U in another program did not say 80% (heard: $(cat "$work/speech.txt" 2>/dev/null))"
[ "$(xdotool getactivewindow 2>/dev/null)" = "$other" ] || fail "the global hotkey took the focus away"
xdotool key alt+F4
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
sleep 0.5
xdotool key alt+F4
for _ in $(seq 60); do [ -f "$work/exit" ] && break; sleep 0.5; done
[ "$(cat "$work/exit" 2>/dev/null)" = 0 ] || fail "Alt+F4 did not end the program with exit code 0"
[ "$(head -c 3 "$dir/Tondrial.ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "Tondrial.ini has no UTF-8 byte-order mark"
grep -qv $'\r$' "$dir/Tondrial.ini" && fail "Tondrial.ini has a line without CR LF"
[ -s "$dir/Tondrial.Log" ] || fail "no Tondrial.Log beside the program"
grep -q 'Hotkey.VolumeDown = 393301' "$dir/Tondrial.ini" || fail "the global hotkey was not kept in Tondrial.ini"

# The per-user package: plain "Tondrial.exe" keeps its settings under the user's application
# data. Arguments arrive through the wide command line; a name outside the ANSI code page is
# ignored like any other.
appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Roaming' -print -quit)
[ -n "$appdata" ] || fail "the Wine prefix has no application data folder"
rm -rf "$appdata/MerrowinS" "$work/Tondrial" "$work/exit"
(cd "$work" && unzip -q "$zip")
[ -f "$dir/Tondrial.exe" ] && [ ! -e "$dir/Tondrial-Portable.exe" ] || fail "the per-user zip does not hold Tondrial.exe alone"
(cd "$dir" && wine Tondrial.exe "Ünïcode-名前.mp3" >/dev/null 2>&1; echo $? > "$work/exit") &
window=""
for _ in $(seq 120); do
  window=$(xdotool search --name '^Tondrial$' 2>/dev/null | tail -1 || true)
  [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || fail "the window Tondrial (per-user) did not appear"
sleep 1
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key alt+F4
for _ in $(seq 60); do [ -f "$work/exit" ] && break; sleep 0.5; done
[ "$(cat "$work/exit" 2>/dev/null)" = 0 ] || fail "Alt+F4 did not end the per-user program with exit code 0"
[ -s "$appdata/MerrowinS/Tondrial/Tondrial.ini" ] || fail "the per-user program kept no Tondrial.ini in the application data"
[ ! -e "$dir/Tondrial.ini" ] || fail "the per-user program wrote Tondrial.ini beside itself"
echo "Windows smoke passed: window with its icon, F10 to Volume 90%, global hotkey from another program, Alt+F4 with exit code 0, Tondrial.ini and Tondrial.Log; per-user settings in the application data"
