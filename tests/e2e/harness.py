"""Runs the real program under Xvfb with a window manager, as a user's desktop would."""
import os
import shutil
import signal
import subprocess
import tempfile
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

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Program:
    """A copy of the built program and its data in a folder of its own."""

    def __init__(self, binary, data_dir):
        self.folder = tempfile.mkdtemp(prefix="tondrial-e2e-")
        for entry in os.listdir(data_dir):
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
        env.update(extra_env or {})
        self.started = time.time()
        self.proc = subprocess.Popen([self.binary, *args], cwd=self.folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return self.proc

    def wait(self, timeout=90):
        try:
            out, _ = self.proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            out, _ = self.proc.communicate()
            raise AssertionError("the program did not end; output:\n" + out.decode(errors="replace"))
        self.output = out.decode(errors="replace")
        return self.proc.returncode

    def file(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def cleanup(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


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
