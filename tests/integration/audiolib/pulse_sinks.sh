#!/usr/bin/env bash
# A private PulseAudio server with two null sinks described "Output" and "Monitor".
# Usage: pulse_sinks.sh start DIR   -> prints "SERVER unix:DIR/native" and "PID n", then "READY"
#        pulse_sinks.sh stop DIR
# Nothing outside DIR is touched: the server has its own socket, runtime and config folders,
# and clients are told not to autospawn a server of their own.
set -euo pipefail
cmd=$1
dir=$2
mkdir -p "$dir/run" "$dir/home" "$dir/config"
export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config"
export PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/state"
printf 'autospawn = no\n' > "$dir/client.conf"
export PULSE_CLIENTCONFIG="$dir/client.conf"
# Ended processes may stay as zombies where nothing reaps orphans: those count as gone.
running() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$1/stat"; }
socket="$dir/native"

case "$cmd" in
  start)
    cat > "$dir/script.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
load-module module-null-sink sink_name=out rate=44100 sink_properties=device.description=Output
load-module module-null-sink sink_name=mon rate=44100 sink_properties=device.description=Monitor
set-default-sink out
PA
    rm -f "$socket"
    # As root PulseAudio warns but runs; --system is not wanted (it ignores our script).
    pulseaudio -n -F "$dir/script.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
      --disallow-exit=no --log-target=file:"$dir/pulse.log" >/dev/null 2>&1 &
    pid=$!
    echo "$pid" > "$dir/pulse.pid"
    for _ in $(seq 1 100); do
      if PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; then
        echo "SERVER unix:$socket"
        echo "PID $pid"
        echo "READY"
        exit 0
      fi
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      sleep 0.1
    done
    echo "FAILED"
    cat "$dir/pulse.log" >&2 || true
    kill "$pid" 2>/dev/null || true
    exit 1
    ;;
  stop)
    # Waited for: a server started again must not meet the old one.
    if [ -f "$dir/pulse.pid" ]; then
      pid=$(cat "$dir/pulse.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 50); do running "$pid" || break; sleep 0.05; done
      kill -9 "$pid" 2>/dev/null || true
      rm -f "$dir/pulse.pid"
    fi
    ;;
esac
