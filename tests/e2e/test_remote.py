"""Remote control from the desktop: playerctl drives the running program over the session bus
(sound on the sinks, the same announcements as the keys), and what the keys change in the
window reaches a second client as one PropertiesChanged signal each, from the events."""
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (TWO_SINKS, Stage, make_media, print_levels, write_playlist,  # noqa: E402
                     write_settings)

BINARY, DATA = sys.argv[1], sys.argv[2]
PRESENT = 0.02


def playerctl(*args):
    r = subprocess.run(["playerctl", "-p", "tondrial", *args], capture_output=True, text=True, timeout=20)
    assert r.returncode == 0, "playerctl %s: %s" % (" ".join(args), r.stderr)
    return r.stdout.strip()


def level(rec, freq, t0, t1):
    """The level of freq in what the sink played from t0 to t1, once the recorder has read past t1
    (on a loaded machine it reads in bursts)."""
    deadline = time.time() + 10
    while not (rec.chunks and rec.chunks[-1][0] >= t1) and time.time() < deadline:
        time.sleep(0.05)
    return rec.level(freq, t0, t1)


def wait_status(state, timeout=10):
    deadline = time.time() + timeout
    while playerctl("status") != state:
        assert time.time() < deadline, "status %s, not %s" % (playerctl("status"), state)
        time.sleep(0.1)


class SignalWatch:
    """dbus-monitor on the player's PropertiesChanged signals: (arrival time, text) of each."""

    def __init__(self):
        self.signals = []
        self.proc = subprocess.Popen(
            ["dbus-monitor", "--session", "type='signal',path='/org/mpris/MediaPlayer2',"
             "interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.proc.stdout:
            if line.startswith("signal "):
                self.signals.append([time.time(), line])
            elif self.signals:
                self.signals[-1][1] += line

    def since(self, t, needle):
        """Signals that arrived after t and contain needle."""
        time.sleep(0.3)  # the rest of the last signal's lines
        return [(when, text) for when, text in self.signals if when >= t and needle in text]

    def wait(self, t, needle, timeout=5):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = [(w, s) for w, s in self.signals if w >= t and needle in s]
            if found:
                return found[0][0]
            time.sleep(0.01)
        return None

    def close(self):
        self.proc.terminate()
        self.proc.wait(5)


def main():
    with Stage(BINARY, DATA, sound=True, speech=True) as stage:
        desk, prog, speech = stage.desk, stage.prog, stage.speech
        make_media(prog.folder, (("a440", 440), ("b660", 660)), 90, volume=0.1)
        write_playlist(prog.folder, "media/a440.wav", "media/b660.wav")
        write_settings(prog.folder, *TWO_SINKS, "Output.Volume = 80", "Output.Compressor = 0;10;200;0;3;",
                       "Output.FadingEnable = Off")
        watch = SignalWatch()
        try:
            t0, out, _ = stage.start_recorded()
            deadline = time.time() + 20
            while "tondrial" not in subprocess.run(["playerctl", "-l"], capture_output=True, text=True).stdout:
                assert time.time() < deadline, "the player never showed up on the session bus"
                time.sleep(0.2)
            assert playerctl("status") == "Stopped"

            # Keys in the window: the bus follows from the events.
            desk.xdotool("key", "Home", "Return")
            wait_status("Playing")
            assert playerctl("metadata", "title") == "a440.wav", playerctl("metadata")
            time.sleep(1.0)
            delays = []
            for keys, state in (("ctrl+p", "Paused"), ("ctrl+p", "Playing")):
                t_key = time.time()
                desk.xdotool("key", keys)
                seen = watch.wait(t_key, '"%s"' % state)
                assert seen, "no PropertiesChanged for %s" % state
                delays.append(seen - t_key)
                assert playerctl("status") == state
            print("key to PropertiesChanged: %s ms" % ", ".join("%.0f" % (d * 1000) for d in delays))
            assert max(delays) < 1.0, delays

            # playerctl: the same actions as the keys, with their announcements and their sound.
            n = len(speech.lines)
            t_pause = time.time()
            playerctl("pause")
            assert speech.wait_for(lambda l: "Pause" in l[n:]), speech.lines[n:]
            assert level(out, 440, t_pause + 0.5, t_pause + 1.0) < PRESENT / 4, "still playing after pause"
            assert len(watch.since(t_pause, '"Paused"')) == 1, "the pause was sent other than once"
            n = len(speech.lines)
            t_play = time.time()
            playerctl("play")
            assert speech.wait_for(lambda l: "Reprise" in l[n:]), speech.lines[n:]
            assert level(out, 440, t_play + 0.5, t_play + 1.0) > PRESENT, "no sound after play"

            t_next = time.time()
            playerctl("next")
            deadline = time.time() + 5
            while playerctl("metadata", "title") != "b660.wav" and time.time() < deadline:
                time.sleep(0.1)
            assert playerctl("metadata", "title") == "b660.wav"
            if level(out, 660, t_next + 1.0, t_next + 2.0) <= PRESENT:
                print_levels(t0, (("440", out, 440), ("660", out, 660)))
                raise AssertionError("the next track is not heard")
            meta = playerctl("metadata")
            assert "mpris:trackid" in meta and "file:///" in meta and "b660.wav" in meta, meta
            assert "90000000" in meta, meta  # 90 s in microseconds

            n = len(speech.lines)
            t_pos = time.time()
            playerctl("position", "30")
            spoken = speech.wait_for(lambda l: any(x.startswith("Position") for x in l[n:]))
            assert any("30 secondes" in x for x in spoken[n:]), spoken[n:]
            assert 29.5 <= float(playerctl("position")) < 35, playerctl("position")
            assert not watch.since(t_pos, "Position"), "Position is read, never sent"

            n = len(speech.lines)
            t_vol = time.time()
            playerctl("volume", "0.5")
            spoken = speech.wait_for(lambda l: any("50%" in x for x in l[n:]))
            assert any("50%" in x for x in spoken[n:]), spoken[n:]
            assert abs(float(playerctl("volume")) - 0.5) < 1e-6
            assert len(watch.since(t_vol, '"Volume"')) == 1, "the volume was sent other than once"

            # Quit from the bus is the orderly quit: settings written, exit code 0.
            subprocess.run(["dbus-send", "--session", "--type=method_call", "--dest=org.mpris.MediaPlayer2.tondrial",
                            "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"], check=True)
            code = prog.wait(60)
            assert code == 0, "exit code %d\n%s" % (code, prog.output)
            assert b"Output.Volume = 50\r\n" in prog.file("Tondrial.ini")
        finally:
            watch.close()
    print("e2e remote: ok")


if __name__ == "__main__":
    main()
