"""Runs the real program under Xvfb with a window manager, as a user's desktop would."""
import contextlib
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time


class Desktop:
    """An X server of its own (a free display chosen by Xvfb) with openbox running."""

    def __enter__(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.wm = subprocess.Popen(["openbox"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)
        return self

    def __exit__(self, *exc):
        for p in (self.wm, self.xvfb):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()

    def xdotool(self, *args, check=False):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and r.returncode != 0:
            raise RuntimeError("xdotool %s failed: %s" % (args, r.stderr))
        return r.stdout.split()

    def wait_window(self, name_regex, timeout=90, visible=True):
        deadline = time.time() + timeout
        while time.time() < deadline:
            args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", name_regex]
            ids = self.xdotool(*args)
            if ids:
                return ids[0]
            time.sleep(0.2)
        return None

    def wait_gone(self, name_regex, timeout=10):
        """True once no visible window matches name_regex any more; False after timeout."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.xdotool("search", "--onlyvisible", "--name", name_regex):
                return True
            time.sleep(0.2)
        return not self.xdotool("search", "--onlyvisible", "--name", name_regex)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Program:
    """A copy of the built program and its data in a folder of its own."""

    def __init__(self, binary, data_dir):
        self.folder = tempfile.mkdtemp(prefix="tondrial-e2e-")
        for entry in os.listdir(data_dir):
            # What a run beside the program left there (a portable start of the build) is not
            # part of a new install.
            if entry in ("Tondrial.ini", "Tondrial.Log", "Effects.ini") or entry.upper().endswith(".M3U"):
                continue
            src = os.path.join(data_dir, entry)
            if os.path.isdir(src):
                shutil.copytree(src, os.path.join(self.folder, entry))
            elif entry != os.path.basename(binary):
                shutil.copy2(src, self.folder)
        self.binary = os.path.join(self.folder, "tondrial")
        shutil.copy2(binary, self.binary)
        self.proc = None

    def start(self, desktop, *args, extra_env=None):
        env = dict(desktop.env)
        # GTK keeps caches alive until exit; leak reports of the toolkit are not ours to fix.
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        # Scenarios that read the accessibility tree ask for the bridge ("0"). The others go
        # without: on a loaded machine the bridge's first calls to a registry still starting
        # can hold the program for the length of D-Bus time-outs.
        env["NO_AT_BRIDGE"] = "1"
        env.update(extra_env or {})
        self.started = time.time()
        self.proc = subprocess.Popen([self.binary, *args], cwd=self.folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        # What the program writes is read as it comes: in a long run the toolkit's warnings
        # would fill the pipe and stop the program in the middle of a write.
        self.chunks = []
        self._reader = threading.Thread(target=self._read, args=(self.proc.stdout, self.chunks), daemon=True)
        self._reader.start()
        return self.proc

    @staticmethod
    def _read(stream, chunks):
        for line in stream:
            chunks.append(line)

    def output_so_far(self):
        return b"".join(self.chunks).decode(errors="replace")
    def start_main(self, desktop, *args, extra_env=None, activate=True):
        """Starts a portable copy, waits for its main window and gives it the focus; the window's id."""
        self.start(desktop, "-portable", *args, extra_env=extra_env)
        win = desktop.wait_window("^Tondrial-Portable$")
        assert win, "no main window"
        if activate:
            desktop.xdotool("windowactivate", "--sync", win)
        return win

    def wait(self, timeout=90):
        try:
            self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            self._reader.join(5)
            raise AssertionError("the program did not end; output:\n" + self.output_so_far())
        self._reader.join(5)
        self.output = self.output_so_far()
        return self.proc.returncode

    def file(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def cleanup(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


# What the program itself writes at the top of its settings file, and a main window of a known size.
SETTINGS_HEAD = "\ufeff; Nom : Tondrial\r\nMainWindowZ = 0\r\nMainWindowW = 800\r\nMainWindowH = 600\r\n"
# The Output and the Monitor on the two sinks of PulseServer.
TWO_SINKS = ("Output.Name = Output", "Output.UseDefault = Off",
             "MonitorDevice.Name = Monitor", "MonitorDevice.UseDefault = Off")


def compiler_launcher():
    """CMake arguments that build a benchmark tree through ccache, when the machine has it."""
    if shutil.which("ccache"):
        return ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    return []


def write_settings(folder, *lines):
    """A Tondrial.ini in folder: the usual head, then each line (CRLF endings, as stored)."""
    with open(os.path.join(folder, "Tondrial.ini"), "w", newline="") as f:
        f.write(SETTINGS_HEAD + "".join(line + "\r\n" for line in lines))


def write_playlist(folder, *lines):
    """The default profile's play list in folder: entries (and #ext lines) in order."""
    with open(os.path.join(folder, "ProfilDefault.M3U"), "w", newline="") as f:
        f.write("#EXTM3U\r\n" + "".join(line + "\r\n" for line in lines))


def make_tone(path, freq, seconds, volume=0.3):
    """A stereo 16-bit 44.1 kHz sine wave file."""
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", path,
                    "synth", str(seconds), "sine", str(freq), "vol", str(volume)], check=True)


def make_media(folder, tones, seconds, volume=0.3):
    """folder/media/<name>.wav for each (name, frequency) of tones."""
    os.makedirs(os.path.join(folder, "media"), exist_ok=True)
    for name, freq in tones:
        make_tone(os.path.join(folder, "media", name + ".wav"), freq, seconds, volume)


HEADER_PREFIXES = [
    "Tondrial 0,4,1210,2500",
    "Started the ",
    "System = ",
    "ApplicationFile = ",
    "Version Portable",
    "MainPath = ",
    "PrefPath = ",
]


def check_log_header(text, folder):
    lines = text.split("\r\n")
    for i, prefix in enumerate(HEADER_PREFIXES):
        assert lines[i].startswith(prefix), "log line %d is %r, expected %r" % (i, lines[i], prefix)
    assert lines[3] == "ApplicationFile = " + os.path.join(folder, "tondrial"), lines[3]
    assert lines[5] == "MainPath = " + folder + "/", lines[5]
    assert lines[6] == "PrefPath = " + folder + "/", lines[6]


class PulseServer:
    """A private PulseAudio server with two null sinks described "Output" and "Monitor"."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tondrial-pulse-")
        self.socket = os.path.join(self.dir, "native")
        self.client_conf = os.path.join(self.dir, "client.conf")
        with open(self.client_conf, "w") as f:
            f.write("autospawn = no\n")
        script = os.path.join(self.dir, "script.pa")
        with open(script, "w") as f:
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n" % self.socket)
            f.write("load-module module-null-sink sink_name=out rate=44100 sink_properties=device.description=Output\n")
            f.write("load-module module-null-sink sink_name=mon rate=44100 sink_properties=device.description=Monitor\n")
            f.write("set-default-sink out\n")
        for sub in ("run", "home", "config", "state"):
            os.makedirs(os.path.join(self.dir, sub), exist_ok=True)
        self.env = dict(os.environ,
                        HOME=os.path.join(self.dir, "home"), XDG_RUNTIME_DIR=os.path.join(self.dir, "run"),
                        XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                        PULSE_RUNTIME_PATH=os.path.join(self.dir, "run"),
                        PULSE_STATE_PATH=os.path.join(self.dir, "state"),
                        PULSE_CLIENTCONFIG=self.client_conf)
        if os.environ.get("ALIB_TEST_SERVER") == "pipewire":
            # PipeWire's PulseAudio protocol instead, with the same sinks (for comparisons).
            self.pipewire = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration",
                                         "audiolib", "pipewire_sinks.sh")
            self.socket = os.path.join(self.dir, "run", "pulse", "native")
            self.proc = None
            out = subprocess.run(["bash", self.pipewire, "start", self.dir], env=self.env, capture_output=True,
                                 text=True, timeout=30)
            if "READY" not in out.stdout:
                raise RuntimeError("PipeWire did not start: " + out.stderr)
            return
        self.pipewire = None
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "-F", script, "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--log-target=file:" + os.path.join(self.dir, "pulse.log")],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 15
        while time.time() < deadline:
            if subprocess.run(["pactl", "info"], env=self.client_env(), capture_output=True).returncode == 0:
                return
            time.sleep(0.1)
        raise RuntimeError("PulseAudio did not start")

    def client_env(self):
        """What a client of this server needs in its environment."""
        return {"PULSE_SERVER": "unix:" + self.socket, "PULSE_CLIENTCONFIG": self.client_conf}

    def player_env(self):
        """What the program needs to play through this server."""
        return dict(self.client_env(), SDL_AUDIODRIVER="pulseaudio")

    def record(self, sink, path):
        """Records what a sink plays (its monitor) into a WAV file until stopped."""
        env = dict(os.environ, **self.client_env())
        return subprocess.Popen(["parecord", "--device=%s.monitor" % sink, "--latency-msec=10",
                                 "--file-format=wav", "--channels=2", "--rate=44100", path],
                                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        if self.pipewire:
            subprocess.run(["bash", self.pipewire, "stop", self.dir], env=self.env)
        else:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


class SpeechCapture:
    """Stands where the speech server stands: answers the client protocol on a local socket
    and keeps every line the program asked to speak."""

    def __init__(self):
        import socket
        import threading
        self.dir = tempfile.mkdtemp(prefix="tondrial-speech-")
        self.path = os.path.join(self.dir, "speechd.sock")
        self.lines = []
        self.spoken = []  # (client name, time, text) of every message, Orca's included
        self.commands = []
        self.lock = threading.Lock()
        self.server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.server.bind(self.path)
        self.server.listen(4)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def client_env(self):
        return {"SPEECHD_ADDRESS": "unix_socket:" + self.path}

    def _serve(self):
        import threading
        while True:
            try:
                conn, _ = self.server.accept()
            except OSError:
                return
            threading.Thread(target=self._client, args=(conn,), daemon=True).start()

    def _client(self, conn):
        buf = b""
        receiving = False
        msg_id = 1
        client = ""
        while True:
            try:
                chunk = conn.recv(4096)
            except OSError:
                return
            if not chunk:
                return
            buf += chunk
            while True:
                if receiving:
                    end = buf.find(b"\r\n.\r\n")
                    if end < 0:
                        break
                    body = buf[:end].decode("utf-8", "replace")
                    buf = buf[end + 5:]
                    text = "\n".join(l[1:] if l.startswith("..") else l for l in body.split("\r\n"))
                    with self.lock:
                        self.lines.append(text)
                        self.spoken.append((client, time.time(), text))
                    conn.sendall(b"225-%d\r\n225 OK MESSAGE QUEUED\r\n" % msg_id)
                    msg_id += 1
                    receiving = False
                    continue
                nl = buf.find(b"\r\n")
                if nl < 0:
                    break
                cmd = buf[:nl].decode("utf-8", "replace")
                buf = buf[nl + 2:]
                low = cmd.lower()
                with self.lock:
                    self.commands.append(cmd)
                if low.startswith("set self client_name "):
                    client = cmd.split(" ", 3)[3]
                if low.startswith("speak"):
                    receiving = True
                    conn.sendall(b"230 OK RECEIVING DATA\r\n")
                elif low.startswith("set self priority"):
                    conn.sendall(b"202 OK PRIORITY SET\r\n")
                elif low.startswith("set "):
                    conn.sendall(b"208 OK SET\r\n")
                elif low.startswith("cancel"):
                    conn.sendall(b"210 OK CANCELED\r\n")
                elif low.startswith("stop"):
                    conn.sendall(b"210 OK STOPPED\r\n")
                elif low.startswith("history get client_id"):
                    conn.sendall(b"240-1\r\n240 OK CLIENT ID SENT\r\n")
                # What a screen reader's own client asks besides speaking.
                elif low.startswith("list output_modules"):
                    conn.sendall(b"250-espeak-ng\r\n250 OK MODULE LIST SENT\r\n")
                elif low.startswith("list synthesis_voices"):
                    conn.sendall(b"249-English\ten\tnone\r\n249-French\tfr\tnone\r\n249 OK VOICE LIST SENT\r\n")
                elif low.startswith("list voices"):
                    conn.sendall(b"249-MALE1\r\n249-FEMALE1\r\n249 OK VOICE LIST SENT\r\n")
                elif low.startswith("get "):
                    what = low.split()[1] if len(low.split()) > 1 else ""
                    value = {"language": b"en", "output_module": b"espeak-ng"}.get(what, b"0")
                    conn.sendall(b"251-" + value + b"\r\n251 OK GET RETURNED\r\n")
                elif low.startswith("char ") or low.startswith("key ") or low.startswith("sound_icon "):
                    with self.lock:
                        self.spoken.append((client, time.time(), cmd.split(" ", 1)[1]))
                    conn.sendall(b"225-%d\r\n225 OK MESSAGE QUEUED\r\n" % msg_id)
                    msg_id += 1
                elif low.startswith("block "):
                    conn.sendall(b"260 OK INSIDE BLOCK\r\n" if "begin" in low else b"261 OK OUTSIDE BLOCK\r\n")
                elif low.startswith("quit"):
                    conn.sendall(b"231 HAPPY HACKING\r\n")
                    return
                else:
                    conn.sendall(b"200 OK\r\n")

    def wait_for(self, predicate, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with self.lock:
                lines = list(self.lines)
            if predicate(lines):
                return lines
            time.sleep(0.1)
        with self.lock:
            return list(self.lines)

    def close(self):
        self.server.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class FakeScreenReader:
    """A process named "orca", which is all the program looks for before it speaks."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tondrial-orca-")
        exe = os.path.join(self.dir, "orca")
        shutil.copy2(shutil.which("sleep"), exe)
        self.proc = subprocess.Popen([exe, "3600"])

    def close(self):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


class ScreenReader:
    """The real Orca on the desktop's display and the accessibility bus, speaking to speech
    (a SpeechCapture). Start it after the bus; no other process named "orca" may run."""

    def __init__(self, desktop, speech):
        self.dir = tempfile.mkdtemp(prefix="tondrial-orca-")
        env = dict(desktop.env, HOME=self.dir, XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                   XDG_DATA_HOME=os.path.join(self.dir, "data"), GSETTINGS_BACKEND="memory",
                   **speech.client_env())
        self.speech = speech
        debug = os.environ.get("TONDRIAL_ORCA_DEBUG")  # a file for Orca's own trace, when asked
        self.proc = subprocess.Popen(["orca", "-u", os.path.join(self.dir, "prefs")]
                                     + (["--debug-file", debug] if debug else []), env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_ready(self, timeout=60):
        """True once Orca said its first words (it greets on start)."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.said():
                return True
            if self.proc.poll() is not None:
                return False
            time.sleep(0.2)
        return False

    def said(self, since=0.0):
        """What Orca said since a time, in order."""
        with self.speech.lock:
            return [plain_speech(t) for c, when, t in self.speech.spoken if "orca" in c.lower() and when >= since]

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def plain_speech(text):
    """A message without its SSML markup."""
    import html
    import re
    return html.unescape(re.sub(r"<[^>]*>", "", text)).strip()


def read_wav_mono(path):
    """The samples of a 16-bit WAV recording as floats in -1..1 (channels averaged), and its rate."""
    import array
    import wave
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        raw = w.readframes(w.getnframes())
    if width != 2:
        raise ValueError("expected 16-bit samples")
    data = array.array("h")
    data.frombytes(raw[: len(raw) - len(raw) % 2])
    if channels == 1:
        return [s / 32768.0 for s in data], rate
    return [(data[i] + data[i + 1]) / 65536.0 for i in range(0, len(data) - 1, channels)], rate


def rms(samples, rate, t0, t1):
    part = samples[int(t0 * rate):int(t1 * rate)]
    return (sum(s * s for s in part) / len(part)) ** 0.5 if part else 0.0


def tone_level(samples, rate, freq, t0, t1):
    """Amplitude of one frequency in a stretch of the recording (Goertzel)."""
    import math
    part = samples[int(t0 * rate):int(t1 * rate)]
    if not part:
        return 0.0
    coeff = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for x in part:
        s1, s2 = x + coeff * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    return 2 * math.sqrt(max(power, 0.0)) / len(part)


class StreamRecorder:
    """Records what a sink plays, chunk by chunk, with the wall-clock time each chunk arrived,
    so sound can be placed against the keys that caused it (an idle null sink runs ahead of
    real time, so a recording's own sample count cannot be trusted for that)."""

    def __init__(self, pulse, sink):
        import array
        import threading
        self.chunks = []  # (arrival time, mono samples)
        env = dict(os.environ, **pulse.client_env())
        self.proc = subprocess.Popen(["parec", "--device=%s.monitor" % sink, "--raw", "--format=s16le",
                                      "--channels=2", "--rate=44100", "--latency-msec=10"],
                                     env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

        def reader():
            while True:
                data = self.proc.stdout.read(1764)  # 10 ms of stereo 16-bit
                if not data:
                    return
                now = time.time()
                a = array.array("h")
                a.frombytes(data[: len(data) - len(data) % 4])
                mono = [(a[i] + a[i + 1]) / 65536.0 for i in range(0, len(a) - 1, 2)]
                self.chunks.append((now, mono))

        self.thread = threading.Thread(target=reader, daemon=True)
        self.thread.start()

    def samples(self, t0, t1):
        out = []
        for when, mono in self.chunks:
            if t0 <= when < t1:
                out.extend(mono)
        return out

    def level(self, freq, t0, t1):
        return tone_level(self.samples(t0, t1), 44100, freq, 0, (t1 - t0) * 2)

    def first_sound_after(self, t, threshold=0.005):
        for when, mono in self.chunks:
            if when >= t and any(abs(s) > threshold for s in mono):
                return when
        return None

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        self.thread.join(5)


# Reading what a screen reader sees: run inside dbus-run-session.
def start_accessibility_bus():
    # The accessibility bus's socket lives in the runtime folder (else in ~/.cache): a folder of
    # this test's own keeps tests that run at the same time off each other's bus. Everything
    # started from here on (the program included) inherits it.
    os.environ["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="tondrial-a11y-")
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # On a loaded machine the launcher takes its time: wait until it answers on the session bus.
    deadline = time.time() + 60
    while time.time() < deadline:
        # Ask for the address only once our launcher holds the bus name: asking earlier makes
        # the session bus start a second launcher (with the session's runtime folder) by
        # activation, and the two fight over the name.
        owned = subprocess.run(["dbus-send", "--session", "--dest=org.freedesktop.DBus", "--print-reply",
                                "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                "string:org.a11y.Bus"], capture_output=True, text=True)
        if "boolean true" not in owned.stdout:
            if launcher.poll() is not None:
                raise AssertionError("the accessibility bus launcher ended")
            time.sleep(0.1)
            continue
        r = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
        if r.returncode == 0 and "unix:" in r.stdout:
            # The launcher answers before its own bus does: wait until that bus answers too.
            address = r.stdout.split('"')[1] if '"' in r.stdout else ""
            ping = subprocess.run(["dbus-send", "--bus=" + address, "--print-reply",
                                   "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.ListNames"], capture_output=True, text=True)
            if address and ping.returncode == 0:
                # Start the registry (activated on first use) and wait for its answer, so the
                # first application that registers does not time out on a loaded machine.
                registry = subprocess.run(["dbus-send", "--bus=" + address, "--print-reply",
                                           "--reply-timeout=20000", "--dest=org.a11y.atspi.Registry",
                                           "/org/a11y/atspi/registry", "org.freedesktop.DBus.Peer.Ping"],
                                          capture_output=True, text=True)
                if registry.returncode == 0:
                    return launcher
        time.sleep(0.2)
    raise AssertionError("the accessibility bus did not start")


def find_top(pyatspi, accept, timeout=20):
    """The first top-level window on the accessibility bus that accept(window) takes; None
    when none did within timeout."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            for j in range(app.childCount if app else 0):
                top = app.getChildAtIndex(j)
                if top is not None and accept(top):
                    return top
        time.sleep(0.3)
    return None


def app_of(pyatspi, pid, timeout=30):
    """The accessible application of process pid; None when it did not show up within timeout."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that ended meanwhile
                continue
        time.sleep(0.3)
    return None


def top_window(pyatspi, name, timeout=20):
    """The top-level window named name; fails when it does not show up."""
    top = find_top(pyatspi, lambda t: t.name == name, timeout)
    if top is None:
        raise AssertionError("no window %r on the accessibility bus" % name)
    return top


def text_of(node):
    """The text a screen reader reads in a node; None for a node without text."""
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return None


def table_rows(node):
    """The cell texts, row by row, of the first table below node; [] when there is none."""
    for n in walk(node):
        if n.getRoleName() in ("table", "tree table"):
            table = n.queryTable()
            return [[(table.getAccessibleAt(r, c).name or "") for c in range(table.nColumns)]
                    for r in range(table.nRows)]
    return []


def walk(node, depth=0, limit=40):
    if node is None or depth > limit:
        return
    yield node
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:  # a node that vanished while we walked
            continue
        yield from walk(child, depth + 1, limit)


def focused(root, pyatspi):
    """(role, name) of the focused node below root, or None."""
    for n in walk(root):
        try:
            if n.getState().contains(pyatspi.STATE_FOCUSED):
                return n.getRoleName(), n.name
        except Exception:
            continue
    return None


def expect_focus(root, pyatspi, role, name=None, timeout=3):
    deadline = time.time() + timeout
    got = None
    while time.time() < deadline:
        got = focused(root, pyatspi)
        if got and got[0] == role and (name is None or got[1] == name):
            return
        time.sleep(0.1)
    raise AssertionError("focus: expected %s %r, got %r" % (role, name, got))


class Stage:
    """What a scenario runs in, started in order and ended in reverse, a failure included: the
    accessibility bus (accessible), a sound server with the two sinks (sound), the speech
    capture with a screen reader running (speech), then a desktop and a fresh copy of the
    program (stage.desk, stage.prog)."""

    def __init__(self, binary, data, accessible=False, sound=False, speech=False, screen_reader=False):
        self.binary, self.data = binary, data
        self.accessible, self.sound, self.with_speech = accessible, sound, speech or screen_reader
        self.screen_reader = screen_reader  # the real Orca in place of the stand-in process
        self.reader = None
        self.pyatspi = self.pulse = self.speech = None
        self.recorders = []

    def __enter__(self):
        self._stack = contextlib.ExitStack()
        try:
            if self.accessible:
                self._stack.callback(start_accessibility_bus().terminate)
                import pyatspi  # after the bus exists
                self.pyatspi = pyatspi
            if self.sound:
                self.pulse = PulseServer()
                self._stack.callback(self.pulse.close)
            if self.with_speech:
                self.speech = SpeechCapture()
                self._stack.callback(self.speech.close)
                if not self.screen_reader:
                    self._stack.callback(FakeScreenReader().close)
            self.desk = self._stack.enter_context(Desktop())
            if self.screen_reader:
                self.reader = ScreenReader(self.desk, self.speech)
                self._stack.callback(self.reader.close)
            self.prog = Program(self.binary, self.data)
            self._stack.callback(self.prog.cleanup)
        except BaseException:
            self._stack.close()
            raise
        return self

    def __exit__(self, *exc):
        self._stack.close()

    def env(self, **extra):
        """The program's environment: the servers of the stage, then extra."""
        env = {}
        if self.pulse:
            env.update(self.pulse.player_env())
        if self.speech:
            env.update(self.speech.client_env())
        if self.accessible:
            env["NO_AT_BRIDGE"] = "0"
        env.update(extra)
        return env

    def record(self, sink):
        """A StreamRecorder on a sink ("out", "mon"), stopped with the stage at the latest."""
        recorder = StreamRecorder(self.pulse, sink)
        self._stack.callback(recorder.stop)
        self.recorders.append(recorder)
        return recorder

    def start(self, **extra_env):
        """The program started portable with the stage's environment; its main window's id, focused."""
        return self.prog.start_main(self.desk, extra_env=self.env(**extra_env))

    def start_recorded(self, settle=3.0, **extra_env):
        """Recorders on both sinks, then the program; returns once settle seconds have passed
        since the recording began (idle sinks take that long to run at an even pace), as
        (time the recording began, Output recorder, Monitor recorder)."""
        out, mon = self.record("out"), self.record("mon")
        t0 = time.time()
        self.start(**extra_env)
        time.sleep(max(0.0, settle - (time.time() - t0)))
        return t0, out, mon

    def quit(self, win=None):
        """Alt+F4 to the window in front (win, when given, brought there first), then the
        program's end; the recorders stop with it. Fails on an exit code other than 0."""
        if win:
            self.desk.xdotool("windowactivate", "--sync", win)
        self.desk.xdotool("key", "alt+F4")
        code = self.prog.wait()
        for r in self.recorders:
            r.stop()
        assert code == 0, "exit code %d\n%s" % (code, self.prog.output)


def print_levels(t0, columns):
    """For reading a failure: every half second since t0, the level of each (label, recorder,
    frequency) of columns."""
    for k in range(int((time.time() - t0) * 2)):
        t = t0 + k / 2
        print("%5.1f s  " % (k / 2) + "  ".join("%s %.3f" % (label, rec.level(freq, t, t + 0.5))
                                                for label, rec, freq in columns))
