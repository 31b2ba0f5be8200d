"""The preferences window under a real desktop: opened with Alt+P, read over AT-SPI, a shortcut
changed and confirmed with Return, a change dropped with Annuler, and a global hotkey pressed
while another window has the focus."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Stage, app_of, expect_focus, focused, walk  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
TITLE = "Préférences"
SHOT = os.environ.get("PREFS_SCREENSHOT")
HOLDER = os.environ["HOTKEY_HOLDER"]


class Session:
    def __init__(self, desk, prog, pyatspi, speech):
        self.desk, self.prog, self.pyatspi, self.speech = desk, prog, pyatspi, speech
        self.main = desk.wait_window("^Tondrial-Portable$")
        assert self.main, "no main window"

    def key(self, *keys, pause=0.15):
        for k in keys:
            self.desk.xdotool("key", k)
            time.sleep(pause)

    def app(self, timeout=30):
        a = app_of(self.pyatspi, self.prog.proc.pid, timeout)
        if a is None:
            raise AssertionError("the program is not on the accessibility bus")
        return a

    def open_prefs(self):
        self.desk.xdotool("windowactivate", "--sync", self.main)
        time.sleep(0.3)
        self.key("alt+p")
        win = self.desk.wait_window("^%s$" % TITLE, timeout=15)
        assert win, "Alt+P did not open the preferences"
        deadline = time.time() + 20
        while time.time() < deadline:
            a = self.app()
            for j in range(a.childCount):
                top = a.getChildAtIndex(j)
                if top is not None and top.name == TITLE and top.getRoleName() == "dialog":
                    self.dialog = top
                    time.sleep(0.5)
                    return top
            time.sleep(0.3)
        raise AssertionError("the preferences window is not on the accessibility bus")

    def closed(self, timeout=15):
        return self.desk.wait_gone("^%s$" % TITLE, timeout)

    def main_shown(self, shown, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if bool(self.desk.xdotool("search", "--onlyvisible", "--name", "^Tondrial-Portable$")) == shown:
                return True
            time.sleep(0.2)
        return False

    def nodes(self, role=None):
        return [n for n in walk(self.dialog) if role is None or n.getRoleName() == role]

    def focused(self):
        return focused(self.dialog, self.pyatspi)

    # Generous waits: the whole suite runs at once on a machine of few cores.
    def expect_focus(self, role, name=None, timeout=10):
        expect_focus(self.dialog, self.pyatspi, role, name, timeout)

    def expect_key_list(self, timeout=10):
        """The key list has the focus: a drop-down list keeps it on an inner button that is not
        on the bus, so no other control may hold it (the keys it then gets prove the rest)."""
        deadline = time.time() + timeout
        got = None
        while time.time() < deadline:
            got = focused(self.dialog, self.pyatspi)
            if got is None or got == ("combo box", "Touche"):
                return
            time.sleep(0.1)
        raise AssertionError("focus: expected the key list, got %r" % (got,))

    def expect_cell(self, row, text, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline and self.cells()[row] != text:
            time.sleep(0.2)
        assert self.cells()[row] == text, self.cells()[row]

    def key_text(self):
        """The key chosen in the key list."""
        combo = [n for n in self.nodes("combo box") if n.name == "Touche"][0]
        chosen = combo.querySelection()
        return chosen.getSelectedChild(0).name if chosen.nSelectedChildren else ""

    def cells(self):
        return [n.name for n in self.nodes("table cell")]

    def to_shortcut_tab(self):
        """From the tab strip to the shortcut list, checking Ctrl+Tab does not wrap round."""
        self.key("ctrl+Tab", "ctrl+Tab", "ctrl+Tab")
        self.expect_focus("page tab list")
        tabs = self.nodes("page tab")
        assert tabs[3].getState().contains(self.pyatspi.STATE_SELECTED), "Ctrl+Tab did not reach the last tab"
        self.key("ctrl+Tab")  # no wrap-around
        assert tabs[3].getState().contains(self.pyatspi.STATE_SELECTED), "Ctrl+Tab left the last tab"
        self.key("Tab")
        self.expect_focus("table", "Raccourcis")

    def select_line(self, prefix):
        """In the focused list, the line that starts with prefix; returns its row."""
        cells = self.cells()
        index = [i for i, c in enumerate(cells) if c.startswith(prefix)]
        assert index, "no line %r in %r" % (prefix, cells)
        self.key("Home")
        if index[0]:
            self.desk.xdotool("key", "--repeat", str(index[0]), "--delay", "30", "Down")
        time.sleep(0.5)
        return index[0]

    def to_shortcut_line(self, prefix):
        self.to_shortcut_tab()
        return self.select_line(prefix)

    def set_ctrl_alt(self, key):
        """From the list: tick Alt and Ctrl, choose key (the list starts at no key), press Set."""
        self.key("Tab", "space", "Tab", "space", "Tab", "Tab", "Tab")
        self.expect_key_list()
        assert self.key_text() == "Aucune touche", self.key_text()
        combo = [n for n in self.nodes("combo box") if n.name == "Touche"][0]
        items = [n.name for n in walk(combo) if n.getRoleName() == "menu item"]
        self.choose_key(combo, items.index(key))
        assert self.key_text() == key, self.key_text()
        self.key("Tab", "space")
        self.expect_focus("table", "Raccourcis")

    def choose_key(self, combo, steps):
        """Moves the key list by steps entries (Down, or Up when negative)."""
        if steps:
            self.desk.xdotool("key", "--repeat", str(abs(steps)), "--delay", "30", "Down" if steps > 0 else "Up")
        time.sleep(0.3)

    def ini(self):
        return self.prog.file("Tondrial.ini").decode("utf-8-sig")

    def keys_in_main(self, first, then, predicate):
        """first, then `then` pressed in the main window: what was spoken after them that
        predicate takes, and all that was spoken after them (for a failure)."""
        self.desk.xdotool("windowactivate", "--sync", self.main)
        n = len(self.speech.lines)
        self.key(first, pause=0.6)
        self.key(then)
        said = self.spoken_after(n, predicate)
        return said, self.speech.lines[n:]

    def spoken_after(self, count, predicate, timeout=15):
        lines = self.speech.wait_for(lambda l: any(predicate(x) for x in l[count:]), timeout)
        return [x for x in lines[count:] if predicate(x)]


def read_window(s):
    tabs = [n.name for n in s.nodes("page tab")]
    assert tabs == ["Général", "Affichage", "Liste de lecture", "Raccourcis"], tabs
    s.expect_focus("page tab list")  # the tab strip has the focus at the start
    combos = [n.name for n in s.nodes("combo box")]
    assert "Langue" in combos and "Touche" in combos, combos
    texts = [n.name for n in s.nodes("text")]
    for label in ("Dossier de musique", "Barre d'état en lecture", "Temps annoncé"):
        assert label in texts, "text field %r not named: %r" % (label, texts)
    checks = [n.name for n in s.nodes("check box")]
    for label in ("Enchaîner la piste suivante", "Alt", "Ctrl", "Maj", "Win"):
        assert label in checks, (label, checks)
    buttons = [n.name for n in s.nodes("push button")]
    for label in ("Police d'affichage", "Appliquer", "Valider", "Annuler"):
        assert label in buttons, (label, buttons)
    cells = s.cells()
    assert "Plus fort: F10" in cells and "Ajouter des fichiers: Ctrl+O" in cells, cells[:10]
    return cells


def main():
    with Stage(BINARY, DATA, accessible=True, speech=True) as stage:
        desk, prog, pyatspi, speech = stage.desk, stage.prog, stage.pyatspi, stage.speech
        other = holder = None
        try:
            prog.start(desk, "-portable", extra_env=stage.env(GTK_MODULES="gail:atk-bridge"))
            s = Session(desk, prog, pyatspi, speech)
            t0 = time.time()

            # 1. Read the window; give Volume up the key F11; Return confirms from the list.
            s.open_prefs()
            cells = read_window(s)
            row = s.to_shortcut_line("Plus fort: ")
            s.key("Tab", "Tab", "Tab", "Tab", "Tab")  # Alt, Ctrl, Maj, Win, the key list
            s.expect_key_list()
            assert s.key_text() == "F10", s.key_text()
            combo = [n for n in s.nodes("combo box") if n.name == "Touche"][0]
            items = [n.name for n in walk(combo) if n.getRoleName() == "menu item"]
            s.choose_key(combo, items.index("F11") - items.index("F10"))
            assert s.key_text() == "F11", s.key_text()
            s.key("Tab")
            s.expect_focus("push button", "Appliquer")
            s.key("space")
            s.expect_focus("table", "Raccourcis")  # Set gives the list the focus back
            s.expect_cell(row, "Plus fort: F11")
            if SHOT:
                desk.screenshot(SHOT)
            s.key("Return")
            assert s.closed(), "Return did not confirm the window"
            assert "Output\\Shortcut.VolumeUp = 122\r\n" in s.ini(), "the settings file was not written at once"
            said, after = s.keys_in_main("F9", "F11", lambda x: "80%" in x)
            assert said, "F11 did not raise the volume: %r" % after

            # 2. A change dropped with Annuler (Return on it): the key stays F11.
            s.open_prefs()
            row = s.to_shortcut_line("Plus fort: ")
            assert s.cells()[row] == "Plus fort: F11", s.cells()[row]
            s.key("Tab", "Tab", "Tab", "Tab", "Tab")
            s.choose_key(None, 1)  # F12
            s.key("Tab", "space")
            s.expect_cell(row, "Plus fort: F12")
            cancel = [n for n in s.nodes("push button") if n.name == "Annuler"][0]
            cancel.queryComponent().grabFocus()
            s.expect_focus("push button", "Annuler")
            s.key("Return")  # on a button, Return presses it
            assert s.closed(), "Annuler did not close the window"
            assert "Output\\Shortcut.VolumeUp = 122\r\n" in s.ini(), "Annuler stored the change"
            said, after = s.keys_in_main("F12", "F11", lambda x: "%" in x)
            assert said and "90%" in said[0], "after Annuler: %r" % after

            # 3. Ctrl+Alt+U as the global volume-down hotkey, pressed in another program; and
            # Ctrl+Alt+D for pause, which another program holds already.
            holder = subprocess.Popen([HOLDER, "d"], env=dict(desk.env, ASAN_OPTIONS="detect_leaks=0"),
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            assert holder.stdout.readline().strip() == b"held", "the other program did not take its key"
            s.open_prefs()
            s.key("Tab", "Tab", "Tab")
            s.expect_focus("check box", "Le raccourci global d'affichage cache aussi la fenêtre")
            s.key("space")
            s.to_shortcut_line("Global : moins fort: ")
            s.set_ctrl_alt("U")
            s.select_line("Global : pause ou reprise: ")
            s.set_ctrl_alt("D")
            s.select_line("Global : afficher ou cacher")
            s.set_ctrl_alt("T")
            s.key("Return")
            assert s.closed(), "Return did not confirm the window"
            ini = s.ini()
            assert "Global\\Hotkey.VolumeDown = %d\r\n" % (131072 + 262144 + 85) in ini, ini
            other = subprocess.Popen(["xmessage", "-name", "other", "-title", "Autre", "autre programme"],
                                     env=desk.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            owin = desk.wait_window("^Autre$", timeout=15)
            assert owin, "the other window did not appear"
            desk.xdotool("windowactivate", "--sync", owin)
            time.sleep(0.5)
            active = desk.xdotool("getactivewindow")
            assert active and active[0] != s.main, "the player still has the focus"
            n = len(speech.lines)
            desk.xdotool("key", "ctrl+alt+u")
            said = s.spoken_after(n, lambda x: "%" in x)
            assert said and "80%" in said[0], "the global hotkey did not act: %r" % speech.lines[n:]
            assert desk.xdotool("getactivewindow") == active, "the hotkey took the focus away"
            # With NumLock on, the hotkey is the same.
            desk.xdotool("key", "Num_Lock")
            n = len(speech.lines)
            desk.xdotool("key", "ctrl+alt+u")
            said = s.spoken_after(n, lambda x: "%" in x)
            desk.xdotool("key", "Num_Lock")
            assert said and "70%" in said[0], "NumLock stopped the hotkey: %r" % speech.lines[n:]

            # The show key with its option on: the player in front goes into the systray, and
            # comes back with the same key.
            desk.xdotool("windowactivate", "--sync", s.main)
            time.sleep(0.5)
            desk.xdotool("key", "ctrl+alt+t")
            assert s.main_shown(False), "the show key did not hide the player in front"
            desk.xdotool("key", "ctrl+alt+t")
            assert s.main_shown(True), "the show key did not bring the player back"
            stage.quit(s.main)
            log = prog.file("Tondrial.Log").decode("utf-8", "replace")
            assert "- AddGlobalShortcut,  WindowID=0 HotKey=Alt+Ctrl+U MenuID=160" in log, log[-2000:]
            assert "! Error AddGlobalShortcut,  WindowID=0 HotKey=Alt+Ctrl+D MenuID=157" in log, log[-2000:]
            print("preferences scenario took %.1f s" % (time.time() - t0))
        finally:
            for p in (other, holder):
                if p and p.poll() is None:
                    p.kill()
                    p.wait()
    print("e2e preferences: ok")


if __name__ == "__main__":
    main()
