"""The message and input requesters under a real desktop: answered with keys, read over AT-SPI."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Desktop, Program, app_of, expect_focus, focused, start_accessibility_bus, walk  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
PROBE = os.environ["REQUESTER_PROBE"]


class Probe:
    """One requester opened by the probe program."""

    def __init__(self, desk, pyatspi, title, *args):
        self.desk, self.pyatspi, self.title = desk, pyatspi, title
        env = dict(desk.env, ASAN_OPTIONS="detect_leaks=0", NO_AT_BRIDGE="0", GTK_MODULES="gail:atk-bridge")
        self.proc = subprocess.Popen([PROBE, DATA, *args], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        self.win = desk.wait_window("^%s$" % title, timeout=60)
        assert self.win, "the requester %r did not appear" % title
        desk.xdotool("windowactivate", "--sync", self.win)
        self.dialog = self._find_dialog()

    def _find_dialog(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            app = app_of(self.pyatspi, self.proc.pid, timeout=0.5)
            for j in range(app.childCount if app else 0):
                top = app.getChildAtIndex(j)
                if top is not None and top.name == self.title:
                    return top
            time.sleep(0.3)
        raise AssertionError("the requester never appeared on the accessibility bus")

    def focused(self):
        return focused(self.dialog, self.pyatspi)

    def expect_focus(self, role, name=None, timeout=3):
        expect_focus(self.dialog, self.pyatspi, role, name, timeout)

    def key(self, *keys):
        for k in keys:
            self.desk.xdotool("key", k)
            time.sleep(0.15)

    def still_open(self, wait=0.8):
        time.sleep(wait)
        return self.proc.poll() is None and bool(self.desk.xdotool("search", "--onlyvisible", "--name",
                                                                    "^%s$" % self.title))

    def finish(self, timeout=30):
        try:
            out, _ = self.proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            out, _ = self.proc.communicate()
            raise AssertionError("the requester did not close: " + out.decode(errors="replace"))
        text = out.decode(errors="replace")
        assert self.proc.returncode == 0, text
        return text.splitlines()


def line(lines, prefix):
    found = [l for l in lines if l.startswith(prefix)]
    assert found, "no %r line in %r" % (prefix, lines)
    return found[0]


def yes_no(desk, pyatspi):
    p = Probe(desk, pyatspi, "Question", "message", "1", "Voulez-vous continuer ?")
    assert p.dialog.getRoleName() == "dialog", p.dialog.getRoleName()
    texts = [n for n in walk(p.dialog) if n.getRoleName() == "text"]
    assert texts and texts[0].queryText().getText(0, -1) == "Voulez-vous continuer ?"
    # 300 ms after it opened, the focus has left the message for the first button.
    time.sleep(1.0)
    p.expect_focus("push button", "Oui")
    for k, role, name in [("Right", "push button", "Non"), ("Right", "text", None), ("Right", "push button", "Oui"),
                          ("Left", "text", None), ("Left", "push button", "Non"), ("Tab", "text", None),
                          ("shift+Tab", "push button", "Non"), ("Down", "text", None), ("Up", "push button", "Non"),
                          ("Up", "push button", "Oui")]:
        p.key(k)
        p.expect_focus(role, name)
    # The player's keys work inside: F9 lowers the volume, Ctrl+P pauses.
    p.key("F9", "ctrl+p")
    assert p.still_open(0.5), "a playback key closed the requester"
    # The letter of "&Non" without Alt answers No, wherever the focus is.
    p.key("n")
    lines = p.finish()
    assert "common volume -10" in lines and "common pause" in lines, lines
    assert line(lines, "result ") == "result 7", lines
    ticks = line(lines, "timer2 ").split()
    assert int(ticks[1]) >= 2 and int(ticks[3]) >= 4, "the main timers stopped during the requester: %s" % ticks


def ok_only(desk, pyatspi):
    p = Probe(desk, pyatspi, "Question", "message", "0", "Une ligne")
    p.key("Escape")
    assert p.still_open(), "Escape closed a requester without a Cancel button"
    p.key("n")  # no No button here
    assert p.still_open(), "a letter of a missing button answered"
    p.key("alt+F4")  # the window manager closes the window
    assert line(p.finish(), "result ") == "result 2"


def yes_no_cancel(desk, pyatspi):
    p = Probe(desk, pyatspi, "Question", "message", "2", "Enregistrer ?")
    p.key("Escape")
    assert line(p.finish(), "result ") == "result 2"
    p = Probe(desk, pyatspi, "Question", "message", "2", "Enregistrer ?")
    time.sleep(1.0)  # the focus is on Yes by now: Return answers it
    p.expect_focus("push button", "Oui")
    p.key("Return")
    assert line(p.finish(), "result ") == "result 6"


def inputs(desk, pyatspi):
    # A default with a tab: an editable list; a typed text is the answer.
    p = Probe(desk, pyatspi, "Saisie", "input", "0", "+10%\\t-10%")
    combos = [n for n in walk(p.dialog) if n.getRoleName() == "combo box"]
    assert combos, [(n.getRoleName(), n.name) for n in walk(p.dialog)]
    items = [n.name for n in walk(combos[0]) if n.getRoleName() == "menu item"]
    assert items[:2] == ["+10%", "-10%"], items
    p.expect_focus("text", "Votre choix :")  # the prompt names the field
    p.key("ctrl+a")
    desk.xdotool("type", "--delay", "50", "+25%")
    p.key("Return")
    assert line(p.finish(), "answer ") == "answer [+25%] accepted"

    # Digits only, at most four.
    p = Probe(desk, pyatspi, "Saisie", "input", str(131072 + 4), "")
    p.expect_focus("text", "Votre choix :")  # the prompt names the field
    desk.xdotool("type", "--delay", "50", "a1b2c3d4e5")
    p.key("Return")
    assert line(p.finish(), "answer ") == "answer [1234] accepted"

    # A password field.
    p = Probe(desk, pyatspi, "Saisie", "input", "65536", "secret")
    p.expect_focus("password text")
    p.key("Return")
    assert line(p.finish(), "answer ") == "answer [secret] accepted"

    # Escape with option 262144 gives character 27; without, an empty answer.
    p = Probe(desk, pyatspi, "Saisie", "input", "262144", "abc")
    p.key("Escape")
    assert line(p.finish(), "answer ") == "answer [\\x1b] escaped"
    p = Probe(desk, pyatspi, "Saisie", "input", "0", "abc")
    p.key("Escape")
    assert line(p.finish(), "answer ") == "answer [] escaped"

    # Closing the window: an empty answer.
    p = Probe(desk, pyatspi, "Saisie", "input", "262144", "abc")
    p.key("alt+F4")
    assert line(p.finish(), "answer ") == "answer [] closed"


def real_program(desk, pyatspi):
    """The program itself answers Help without any help file with an OK requester."""
    prog = Program(BINARY, DATA)
    try:
        for f in ("Tondrial.Html", "Tondrial-Help.Txt"):
            os.remove(os.path.join(prog.folder, f))
        prog.start(desk, "-portable")
        win = desk.wait_window("^Tondrial-Portable$")
        assert win, "no main window"
        desk.xdotool("windowactivate", "--sync", win)
        desk.xdotool("key", "F1")
        req = desk.wait_window("^Aide de Tondrial$", timeout=15)
        assert req, "Help did not show the requester"
        desk.xdotool("windowactivate", "--sync", req)
        desk.xdotool("key", "Escape")
        time.sleep(0.8)
        assert desk.xdotool("search", "--onlyvisible", "--name", "^Aide de Tondrial$"), "Escape closed an OK requester"
        desk.xdotool("key", "Return")
        time.sleep(0.8)
        assert not desk.xdotool("search", "--onlyvisible", "--name", "^Aide de Tondrial$"), "Return did not answer"
        desk.xdotool("windowactivate", "--sync", win)
        desk.xdotool("key", "alt+F4")
        assert prog.wait() == 0, prog.output
    finally:
        prog.cleanup()


def main():
    launcher = start_accessibility_bus()
    import pyatspi  # after the bus exists
    try:
        with Desktop() as desk:
            for case in (yes_no, ok_only, yes_no_cancel, inputs, real_program):
                case(desk, pyatspi)
                print("e2e requesters: %s ok" % case.__name__)
    finally:
        launcher.terminate()
    print("e2e requesters: ok")


if __name__ == "__main__":
    main()
