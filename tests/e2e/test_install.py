"""The program as a system installs it: into a prefix (through DESTDIR), its desktop entry and
AppStream file valid, then started from there without "-portable" by a user with a fresh home."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Desktop  # noqa: E402

BUILD = sys.argv[1]

EXPECTED = [
    "bin/tondrial",
    "share/tondrial/Lang/français.Lng", "share/tondrial/Lang/english.Lng", "share/tondrial/Tondrial-Help.Txt",
    "share/tondrial/License.Txt", "share/tondrial/Historique.txt", "share/tondrial/Tondrial.bmp",
    "share/applications/tondrial.desktop", "share/metainfo/tondrial.metainfo.xml",
    "share/icons/hicolor/32x32/apps/tondrial.png", "share/icons/hicolor/48x48/apps/tondrial.png",
    "share/icons/hicolor/128x128/apps/tondrial.png", "share/icons/hicolor/scalable/apps/tondrial.svg",
    "share/man/man1/tondrial.1.gz",
]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def install(root):
    env = dict(os.environ, DESTDIR=root)
    r = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], env=env, capture_output=True, text=True)
    assert r.returncode == 0, r.stdout + r.stderr
    prefix = os.path.join(root, "usr")
    for rel in EXPECTED:
        assert os.path.isfile(os.path.join(prefix, rel)), "not installed: " + rel
    assert os.access(os.path.join(prefix, "bin/tondrial"), os.X_OK)
    # Nothing but the program goes to bin/ (no tests, no data beside it).
    assert os.listdir(os.path.join(prefix, "bin")) == ["tondrial"], os.listdir(os.path.join(prefix, "bin"))
    for n in (32, 48, 128):
        assert png_size(os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/tondrial.png" % (n, n))) == (n, n)
    for cmd in (["desktop-file-validate", os.path.join(prefix, "share/applications/tondrial.desktop")],
                ["appstreamcli", "validate", "--no-net", os.path.join(prefix, "share/metainfo/tondrial.metainfo.xml")]):
        r = subprocess.run(cmd, capture_output=True, text=True)
        assert r.returncode == 0 and "W:" not in r.stdout and "E:" not in r.stdout, (cmd, r.stdout + r.stderr)
    man = subprocess.run(["man", "--warnings=all", "-l", os.path.join(prefix, "share/man/man1/tondrial.1.gz")],
                         env=dict(os.environ, MANWIDTH="80"), capture_output=True, text=True)
    assert man.returncode == 0 and "-portable" in man.stdout and not man.stderr.strip(), man.stderr
    return prefix


def run_installed(prefix, home):
    runtime = tempfile.mkdtemp(prefix="tondrial-run-")
    env_extra = {"HOME": home, "XDG_RUNTIME_DIR": runtime, "ASAN_OPTIONS": "detect_leaks=0", "NO_AT_BRIDGE": "1"}
    with Desktop() as desk:
        env = dict(desk.env, **env_extra)
        env.pop("XDG_CONFIG_HOME", None)
        proc = subprocess.Popen([os.path.join(prefix, "bin/tondrial")], cwd=home, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            win = desk.wait_window("^Tondrial$")
            assert win, "no main window titled Tondrial"
            desk.xdotool("windowactivate", "--sync", win)
            time.sleep(0.5)
            # The preferences window is titled from the language file: found, it reads in French.
            desk.xdotool("key", "alt+p")
            pref = desk.wait_window("^Préférences$", timeout=20)
            assert pref, "no window titled from the language file: %s" % desk.xdotool("search", "--name", ".")
            desk.xdotool("windowactivate", "--sync", pref)
            desk.xdotool("key", "Escape")
            assert desk.wait_gone("^Préférences$"), "Escape did not close the preferences"
            desk.xdotool("windowactivate", "--sync", win)
            desk.xdotool("key", "alt+F4")
            assert proc.wait(60) == 0, "exit code %d" % proc.returncode
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            shutil.rmtree(runtime, ignore_errors=True)


def main():
    root = tempfile.mkdtemp(prefix="tondrial-install-")
    home = tempfile.mkdtemp(prefix="tondrial-home-")
    try:
        prefix = install(root)
        before = sorted(os.walk(prefix))
        run_installed(prefix, home)
        # The settings go to the XDG configuration folder; the installation stays as installed.
        prefs = os.path.join(home, ".config/MerrowinS/Tondrial")
        with open(os.path.join(prefs, "Tondrial.ini"), "rb") as f:
            assert f.read().startswith(b"\xef\xbb\xbf; Nom : Tondrial\r\n")
        with open(os.path.join(prefs, "Tondrial.Log"), "rb") as f:
            log = f.read().decode("utf-8")
        assert "\r\nMainPath = %s/bin/\r\n" % prefix in log, log[:600]
        assert "\r\nPrefPath = %s/\r\n" % prefs in log, log[:600]
        assert "\r\nDataPath = %s/share/tondrial/\r\n" % prefix in log, log[:600]
        assert sorted(os.walk(prefix)) == before, "the program wrote into its installation"
    finally:
        shutil.rmtree(root, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
    print("e2e install: ok")


if __name__ == "__main__":
    main()
