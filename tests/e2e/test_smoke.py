"""Start, show, quit: the program's life cycle seen from outside."""
import os
import re
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Desktop, Program, check_log_header  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]

# Settings in registration order: the shortcuts first, then the general settings.
EXPECTED_ORDER = [
    "Global\\Shortcut.OnTopOrSystrayOut", "Global\\Hotkey.Pause", "Main\\Shortcut.AddFile",
    "Main\\Shortcut.OutputEffect9", "WMP\\Shortcut.Backward", "Main\\Shortcut.EditLang",
    "Output.Name", "Output.UseDefault", "Output.Volume", "MonitorConf.HighVolume",
    "Display.PlayingStatus", "PlayList.StartWithOldTracks", "Main\\Path.MyMusicFolder", "Main\\Font.Edit",
]


def check_settings(ini):
    assert ini.startswith(b"\xef\xbb\xbf; Nom : Tondrial\r\n; Version : 0,4,1210,2500\r\n"), ini[:80]
    text = ini[3:].decode("utf-8")
    keys = [line.split(" = ")[0] for line in text.split("\r\n") if " = " in line]
    assert keys[:6] == ["MainWindowX", "MainWindowY", "MainWindowW", "MainWindowH", "MainWindowZ", "MainLang"], keys[:6]
    positions = [keys.index(k) for k in EXPECTED_ORDER]
    assert positions == sorted(positions), "settings out of order"
    assert len(keys) == 6 + 89 + 39, len(keys)  # geometry, shortcuts (chapters and sleep timer included), general settings
    assert "; Recent Files\r\n" in text and "; Recent Play Files\r\n" in text


def scenario_portable_start_and_alt_f4(desktop):
    prog = Program(BINARY, DATA)
    try:
        prog.start(desktop, "-portable")
        win = desktop.wait_window("^Tondrial-Portable$")
        assert win, "no window titled Tondrial-Portable"
        print("window after %.2f s" % (time.time() - prog.started))
        desktop.xdotool("windowactivate", "--sync", win)
        desktop.xdotool("key", "alt+F4")
        code = prog.wait()
        assert code == 0, "exit code %d\n%s" % (code, prog.output)
        check_settings(prog.file("Tondrial.ini"))
        log = prog.file("Tondrial.Log").decode("utf-8")
        check_log_header(log, prog.folder)
        assert "* Pref_Load() IDP=0\r\n" in log and re.search(r"\* Pref_Save\(\) IDP=[1-9]", log), log
    finally:
        prog.cleanup()


def scenario_minimized_start_then_sigterm(desktop):
    prog = Program(BINARY, DATA)
    try:
        prog.start(desktop, "-MINIMIZE", "-Portable")
        # The process lives, its window is never mapped.
        deadline = time.time() + 5
        while time.time() < deadline:
            assert prog.proc.poll() is None, "the program ended"
            assert not desktop.xdotool("search", "--onlyvisible", "--name", "Tondrial"), "a window is mapped"
            time.sleep(0.25)
        # A desktop logout (SIGTERM) quits in order through the running loop: settings written, exit code 0.
        prog.proc.send_signal(signal.SIGTERM)
        code = prog.wait()
        assert code == 0, "exit code %d\n%s" % (code, prog.output)
        check_settings(prog.file("Tondrial.ini"))
    finally:
        prog.cleanup()


if __name__ == "__main__":
    with Desktop() as d:
        scenario_portable_start_and_alt_f4(d)
        scenario_minimized_start_then_sigterm(d)
    print("e2e smoke: ok")
