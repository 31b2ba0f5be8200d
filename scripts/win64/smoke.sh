#!/usr/bin/env bash
# The Windows packages under Wine, Xvfb and openbox. The portable zip (its program is
# "Tondrial-Portable.exe") unpacked beside the stand-in NVDA client library and process: the
# window carries the program's icon, F10 must reach the library as "Volume 90%", Return must play
# the play list's tone into a private PulseAudio server's null sink through Wine's own PulseAudio
# driver, a global hotkey pressed in another Windows program must act without taking the focus,
# Alt+F4 must end the program with exit code 0, and "Tondrial.ini" (UTF-8 with its byte-order
# mark, CR LF) and "Tondrial.Log" must be beside the program. Then the per-user zip's
# "Tondrial.exe" must keep its settings in the prefix's application data, not beside itself.
# Usage: scripts/win64/smoke.sh <build-win folder> <zip>   (the portable zip lies beside it)
set -euo pipefail
build=$(realpath "$1")
zip=$(realpath "$2")
portable_zip="${zip%.zip}-portable.zip"
here=$(dirname "$(realpath "$0")")
source=$(realpath "$here/../..")
work=$(mktemp -d /tmp/tondrial-win-smoke.XXXX)
export WINEPREFIX="$build/wineprefix-ui" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
finish() {
  wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  bash "$source/tests/integration/audiolib/pulse_sinks.sh" stop "$work/pulse" || true
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

# Sound: a PulseAudio server of our own with a null sink "out" as its default, and Wine told
# to use only its PulseAudio driver, so a tone on that sink can only have come through it
# (Wine's ALSA driver would otherwise be tried next, and ALSA may itself lead to PulseAudio).
pulse=$(bash "$source/tests/integration/audiolib/pulse_sinks.sh" start "$work/pulse") ||
  fail "the PulseAudio server did not start ($(cat "$work/pulse/pulse.log" 2>/dev/null))"
export PULSE_SERVER=$(sed -n 's/^SERVER //p' <<<"$pulse") PULSE_CLIENTCONFIG="$work/pulse/client.conf"
grep -q '^"Audio"="pulse"' "$WINEPREFIX/user.reg" 2>/dev/null ||
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
parecord --device=out.monitor --latency-msec=10 --file-format=wav --channels=2 --rate=44100 \
  "$work/out.wav" >/dev/null 2>&1 &
recorder=$!
pids+=("$recorder")

(cd "$work" && unzip -q "$portable_zip")
dir="$work/Tondrial"
[ -f "$dir/Tondrial-Portable.exe" ] && [ ! -e "$dir/Tondrial.exe" ] || fail "the portable zip does not hold Tondrial-Portable.exe alone"
# A 440 Hz tone as the default profile's only track (the play list the program loads at start).
sox -n -r 44100 -c 2 -b 16 "$dir/tone.wav" synth 30 sine 440 vol 0.3
printf '#EXTM3U\r\ntone.wav\r\n' > "$dir/ProfilDefault.M3U"
cp "$build/tests/nvdaControllerClient.dll" "$dir/"
# Ctrl+Alt+U as the global volume-down hotkey; the program fills in the rest.
printf '\xef\xbb\xbfGlobal\\Hotkey.VolumeDown = %d\r\n' $((131072 + 262144 + 85)) > "$dir/Tondrial.ini"
export TONDRIAL_SPEECH_RECORD="Z:${work//\//\\}\\speech.txt"
wine "$build/tests/readers/nvda.exe" >/dev/null 2>&1 &
(cd "$dir" && wine Tondrial-Portable.exe >/dev/null 2>&1; echo $? > "$work/exit") &

# The newest shown window whose title matches $1, waited for up to $2 half-seconds; "" if none.
shown_window() {
  local w=""
  for _ in $(seq "$2"); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    [ -n "$w" ] && break
    sleep 0.5
  done
  echo "$w"
}

# The program has a second, never shown window of the same title: only the shown one is ours.
window=$(shown_window '^Tondrial-Portable$' 120)
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

# Return on the tone: while it plays the sink has a stream of this program (Wine's PulseAudio
# driver names the client after the program file), and the sink's recording holds the tone.
xdotool key Home
sleep 0.3
xdotool key Return
streaming() { pactl list sink-inputs 2>/dev/null | grep -q 'application.name = "Tondrial-Portable.exe"'; }
for _ in $(seq 20); do streaming && break; sleep 0.25; done
streaming || fail "Return gave no stream of the program on the PulseAudio sink"
sleep 3  # the track fades in
kill -INT "$recorder"
wait "$recorder" 2>/dev/null || true
heard=$(python3 - "$source/tests/e2e" "$work/out.wav" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from harness import read_wav_mono, rms, tone_level
samples, rate = read_wav_mono(sys.argv[2])
# The loudest half second: the fade-in has reached the tone's level by then.
start = max(range(0, max(1, len(samples) - rate // 2), rate // 10),
            key=lambda i: rms(samples, rate, i / rate, i / rate + 0.5), default=0) / rate
level = rms(samples, rate, start, start + 0.5)
part = samples[int(start * rate):int((start + 0.5) * rate)]
# The median distance between rising zero crossings: a dropout of a busy machine moves a
# count of crossings, not the median period.
ups = [i - 1 + part[i - 1] / (part[i - 1] - part[i]) for i in range(1, len(part)) if part[i - 1] < 0 <= part[i]]
periods = sorted(b - a for a, b in zip(ups, ups[1:]))
freq = rate / periods[len(periods) // 2] if periods else 0.0
share = tone_level(samples, rate, 440, start, start + 0.5) / (level * 2 ** 0.5) if level else 0.0
print("%.3f %.1f %.2f" % (level, freq, share))
PY
) || fail "the sink's recording could not be read"
read -r level freq share <<<"$heard"
python3 -c "import sys; sys.exit(not ($level > 0.01 and abs($freq - 440) < 5 and $share > 0.8))" ||
  fail "Return did not play the 440 Hz tone on the sink (RMS $level at $freq Hz, ${share} of it at 440 Hz)"

# The global hotkey, pressed while another Windows program has the focus. (Wine sees only the
# keys its own windows receive: with a program outside Wine in front, no hotkey reaches it.)
wine notepad >/dev/null 2>&1 &
other=$(shown_window 'Notepad$' 60)
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
driver=$(sed -n 's/^ Sound driver: \(.*\)\r$/\1/p' "$dir/Tondrial.Log" | head -1)
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
window=$(shown_window '^Tondrial$' 120)
[ -n "$window" ] || fail "the window Tondrial (per-user) did not appear"
sleep 1
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key alt+F4
for _ in $(seq 60); do [ -f "$work/exit" ] && break; sleep 0.5; done
[ "$(cat "$work/exit" 2>/dev/null)" = 0 ] || fail "Alt+F4 did not end the per-user program with exit code 0"
[ -s "$appdata/MerrowinS/Tondrial/Tondrial.ini" ] || fail "the per-user program kept no Tondrial.ini in the application data"
[ ! -e "$dir/Tondrial.ini" ] || fail "the per-user program wrote Tondrial.ini beside itself"
echo "Windows smoke passed: window with its icon, F10 to Volume 90%, Return to a 440 Hz tone on the null sink (RMS $level, $freq Hz, through SDL's ${driver:-unknown} driver and Wine's PulseAudio driver), global hotkey from another program, Alt+F4 with exit code 0, Tondrial.ini and Tondrial.Log; per-user settings in the application data ($SECONDS s)"
