"""A second start brings the running copy back from the systray and ends at once."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Desktop, Program  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
# Ctrl+Shift+H for "hide in the systray" (it has no key of its own by default).
SYSTRAY_IN = 131072 + 65536 + ord("H")


def visible(desktop, title):
    return bool(desktop.xdotool("search", "--onlyvisible", "--name", title))


def main():
    with Desktop() as desk:
        first = Program(BINARY, DATA)
        second = Program(BINARY, DATA)
        try:
            with open(os.path.join(first.folder, "Tondrial.ini"), "wb") as f:
                f.write(("\ufeffMain\\Shortcut.SystrayIn = %d\r\n" % SYSTRAY_IN).encode("utf-8"))
            first.start(desk, "-portable")
            win = desk.wait_window("^Tondrial-Portable$")
            assert win, "no main window"
            desk.xdotool("windowactivate", "--sync", win)
            time.sleep(0.5)
            desk.xdotool("key", "ctrl+shift+h")
            deadline = time.time() + 10
            while visible(desk, "^Tondrial-Portable$") and time.time() < deadline:
                time.sleep(0.1)
            assert not visible(desk, "^Tondrial-Portable$"), "the key did not hide the window"

            # Another copy in another folder, portable too: it finds the first one and hands over.
            started = time.time()
            second.start(desk, "-portable", "/some/file.mp3")
            code = second.wait(timeout=30)
            took = time.time() - started
            assert code == 0, "second copy exit code %d\n%s" % (code, second.output)
            print("second copy ended after %.2f s" % took)
            assert took < 10, took
            assert desk.wait_window("^Tondrial-Portable$", timeout=10), "the first window did not come back"
            assert first.proc.poll() is None, "the first copy ended"
            # The second copy wrote nothing of its own.
            for name in ("Tondrial.Log", "Tondrial.ini"):
                assert not os.path.exists(os.path.join(second.folder, name)), name

            desk.xdotool("windowactivate", "--sync", desk.wait_window("^Tondrial-Portable$"))
            desk.xdotool("key", "alt+F4")
            assert first.wait() == 0, first.output
            log = first.file("Tondrial.Log").decode("utf-8")
            assert "* WM_CopyData = 1\r\n" in log, log
            # The file named on the second copy's command line was not opened.
            assert "/some/file.mp3" not in log, log

            # A copy killed outright leaves its lock and channel behind: the next start is not blocked.
            first.start(desk, "-portable")
            assert desk.wait_window("^Tondrial-Portable$"), "no main window"
            first.proc.kill()
            first.proc.wait()
            second.start(desk, "-portable")
            assert desk.wait_window("^Tondrial-Portable$", timeout=60), "a new start after a killed copy failed"
            assert second.proc.poll() is None, "the new copy ended"
            desk.xdotool("windowactivate", "--sync", desk.wait_window("^Tondrial-Portable$"))
            desk.xdotool("key", "alt+F4")
            assert second.wait() == 0, second.output
        finally:
            first.cleanup()
            second.cleanup()
    print("e2e single instance: ok")


if __name__ == "__main__":
    main()
