#!/usr/bin/env bash
# A private PipeWire server (pipewire, wireplumber, pipewire-pulse) with two null sinks described
# "Output" and "Monitor", spoken to through its PulseAudio protocol. Same usage and output as
# pulse_sinks.sh:
#   pipewire_sinks.sh start DIR   -> prints "SERVER unix:DIR/run/pulse/native" and "PID n", then "READY"
#   pipewire_sinks.sh stop DIR
# Nothing outside DIR is touched: no systemd, a private session bus, own runtime and config folders.
set -euo pipefail
cmd=$1
dir=$2
mkdir -p "$dir/run" "$dir/home" "$dir/config" "$dir/state"
chmod 700 "$dir/run"
export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
export PULSE_RUNTIME_PATH="$dir/run/pulse" PULSE_STATE_PATH="$dir/state"
unset DBUS_SESSION_BUS_ADDRESS PULSE_SERVER
printf 'autospawn = no\n' > "$dir/client.conf"
export PULSE_CLIENTCONFIG="$dir/client.conf"
# Ended processes may stay as zombies where nothing reaps orphans: those count as gone.
running() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$1/stat"; }
socket="$dir/run/pulse/native"

# Each process is waited for: a server started again must not meet the old one's sockets.
stop_all() {
  for name in pulse wireplumber pipewire dbus; do
    if [ -f "$dir/$name.pid" ]; then
      pid=$(cat "$dir/$name.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 50); do running "$pid" || break; sleep 0.05; done
      kill -9 "$pid" 2>/dev/null || true
      rm -f "$dir/$name.pid"
    fi
  done
  rm -rf "$dir/run"
}

case "$cmd" in
  start)
    stop_all
    mkdir -p "$dir/run"
    chmod 700 "$dir/run"
    # The session manager wants a session bus: a private one.
    dbus-daemon --session --address="unix:path=$dir/run/bus" --fork --print-pid >"$dir/dbus.pid"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/bus"
    pipewire >"$dir/pipewire.log" 2>&1 &
    echo $! > "$dir/pipewire.pid"
    for _ in $(seq 1 50); do [ -S "$dir/run/pipewire-0" ] && break; sleep 0.1; done
    wireplumber >"$dir/wireplumber.log" 2>&1 &
    echo $! > "$dir/wireplumber.pid"
    pipewire-pulse >"$dir/pulse.log" 2>&1 &
    pid=$!
    echo "$pid" > "$dir/pulse.pid"
    for _ in $(seq 1 100); do
      if PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; then
        export PULSE_SERVER="unix:$socket"
        pactl load-module module-null-sink sink_name=out rate=44100 \
          sink_properties=device.description=Output >/dev/null
        pactl load-module module-null-sink sink_name=mon rate=44100 \
          sink_properties=device.description=Monitor >/dev/null
        pactl set-default-sink out
        # The session manager makes the sinks' nodes; they are usable once the server lists them.
        for _ in $(seq 1 50); do
          [ "$(pactl list short sinks | grep -cE '\b(out|mon)\b')" -ge 2 ] && break
          sleep 0.1
        done
        echo "SERVER unix:$socket"
        echo "PID $pid"
        echo "READY"
        exit 0
      fi
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      sleep 0.1
    done
    echo "FAILED"
    cat "$dir/pipewire.log" "$dir/wireplumber.log" "$dir/pulse.log" >&2 || true
    stop_all
    exit 1
    ;;
  stop)
    stop_all
    ;;
esac
