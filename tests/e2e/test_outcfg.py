"""The Output and Monitor settings windows from the keyboard: what a screen reader reads in
them, what confirming stores in Tondrial.ini and plays, and that cancelling drops the changes."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (TWO_SINKS, Stage, find_top, focused, make_media, walk,  # noqa: E402
                     write_playlist, write_settings)

BINARY, DATA = sys.argv[1], sys.argv[2]
SHOT = os.environ.get("OUTCFG_SCREENSHOT")
PRESENT = 0.02
OUTPUT_TITLE = "Configuration de la sortie"
MONITOR_TITLE = "Configuration du moniteur"


def make_files(folder):
    # Quiet enough to stay clean when the equaliser lifts it by 15 dB.
    make_media(folder, (("k1000", 1000),), 60, volume=0.06)
    write_playlist(folder, "media/k1000.wav")
    write_settings(folder, *TWO_SINKS, "Output.FadingEnable = Off", "Output.Compressor = 0;10;200;0;3;")


def expect(what, want, timeout=6):
    """Waits until what() gives want (keys and screen reader events take their time on a loaded
    machine); fails with the last value."""
    deadline = time.time() + timeout
    while True:
        got = what()
        if got == want or time.time() > deadline:
            assert got == want, (got, want)
            return got
        time.sleep(0.2)


def ini(prog):
    return prog.file("Tondrial.ini").decode("utf-8-sig")


class Accessible:
    def __init__(self, pyatspi):
        self.pyatspi = pyatspi

    def window(self, title, timeout=20, part=False):
        top = find_top(self.pyatspi, lambda t: t.name == title or (part and title in (t.name or "")), timeout)
        if top is None:
            raise AssertionError("no window %r on the accessibility bus" % title)
        return top

    @staticmethod
    def controls(top, described=False):
        """(role, name, value) of every control a screen reader can reach, in tree order; with
        described, what is read beside the value too: a slider's value text, else the accessible
        description."""
        out = []
        for n in walk(top):
            role = n.getRoleName()
            value = None
            if role in ("slider", "spin button"):
                value = n.queryValue().currentValue
            elif role == "check box":
                value = n.getState().contains(__import__("pyatspi").STATE_CHECKED)
            if not described:
                out.append((role, n.name, value))
                continue
            attrs = dict(a.split(":", 1) for a in n.getAttributes() if ":" in a)
            out.append((role, n.name, value, attrs.get("valuetext", n.description)))
        return out

    def selected_tab(self, top):
        for n in walk(top):
            if n.getRoleName() == "page tab" and n.getState().contains(self.pyatspi.STATE_SELECTED):
                return n.name
        return None

    def focused(self, top):
        return focused(top, self.pyatspi)


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True) as stage:
        desk, prog, pyatspi = stage.desk, stage.prog, stage.pyatspi
        a11y = Accessible(pyatspi)
        make_files(prog.folder)
        out = stage.record("out")
        mon = stage.record("mon")
        main_win = stage.start()
        time.sleep(1.0)

        def key(*keys, pause=0.4):
            desk.xdotool("key", *keys)
            time.sleep(pause)

        # A tone at 1 kHz on the Output, past its fade-in.
        key("Home")
        key("Return", pause=4.5)

        def level(rec, t):
            # The median of five fifths of a second: a loaded machine drops a few
            # blocks now and then, which must not read as a change of level.
            parts = sorted(rec.level(1000, t + k * 0.2, t + k * 0.2 + 0.2) for k in range(5))
            return parts[2]

        t = time.time()
        time.sleep(1.2)
        flat = level(out, t)
        assert flat > PRESENT, flat

        # Ctrl+Q: the Output settings on the equaliser page, one slider per stored band.
        key("ctrl+q")
        assert desk.wait_window("^" + OUTPUT_TITLE + "$", timeout=20), "Ctrl+Q opened no window"
        top = a11y.window(OUTPUT_TITLE)
        time.sleep(0.5)
        expect(lambda: a11y.selected_tab(top), "Égaliseur")
        controls = a11y.controls(top)
        tabs = [n for r, n, _ in controls if r == "page tab"]
        assert tabs == ["Général", "Fondus", "Égaliseur", "Compresseur", "Périphérique"], tabs
        bands = [(n, v) for r, n, v in controls if r == "slider" and "Hz" in (n or "")]
        assert bands == [("60 Hz", 15), ("250 Hz", 15), ("1 KHz", 15), ("3.5 KHz", 15), ("10 KHz", 15)], bands
        if SHOT:
            desk.screenshot(SHOT)
        # The 1 kHz band up by half its range (+15 dB) is heard at once; Escape drops it.
        for _ in range(3):
            key("Tab")
        expect(lambda: a11y.focused(top), ("slider", "1 KHz"))
        for _ in range(5):
            key("Prior", pause=0.1)
        expect(lambda: [(v, d) for r, n, v, d in a11y.controls(top, True) if r == "slider" and n == "1 KHz"],
               [(30, "15 dB")])
        time.sleep(0.5)
        t = time.time()
        time.sleep(1.2)
        boosted = level(out, t)
        if boosted < flat * 3.5:  # the keys may have come late
            t = time.time()
            time.sleep(1.2)
            boosted = level(out, t)
        assert boosted > flat * 3.5, (flat, boosted)
        key("Escape", pause=1.0)
        expect(lambda: desk.xdotool("search", "--onlyvisible", "--name", "^" + OUTPUT_TITLE + "$"), [])
        t = time.time()
        time.sleep(1.2)
        assert level(out, t) < flat * 1.3, (flat, level(out, t))

        # From the settings menu (its first item): the first page; Ctrl+Shift+Tab stays there.
        key("alt+c")
        key("Return")
        assert desk.wait_window("^" + OUTPUT_TITLE + "$", timeout=20), "the menu opened no window"
        top = a11y.window(OUTPUT_TITLE)
        time.sleep(0.5)
        expect(lambda: a11y.selected_tab(top), "Général")
        key("ctrl+shift+Tab")
        expect(lambda: a11y.selected_tab(top), "Général")

        # The fades page: the overlap down by a tenth pulls the fade-in with it; OK stores.
        key("ctrl+Tab")
        expect(lambda: a11y.selected_tab(top), "Fondus")
        key("Tab")
        expect(lambda: a11y.focused(top), ("spin button", "Chevauchement des pistes"))
        key("Next")
        fades = ("Chevauchement des pistes", "Durée du fondu de fin", "Durée du fondu d'entrée")
        expect(lambda: [{n: v for r, n, v in a11y.controls(top) if r == "spin button"}.get(n) for n in fades],
               [3, 3, 3])
        described = {n: d for r, n, v, d in a11y.controls(top, True) if r == "spin button"}
        assert described["Chevauchement des pistes"] == "3.0 secondes", described
        labels = [n for r, n, _ in a11y.controls(top) if r == "label"]
        assert "3.0 secondes" in labels, labels
        # Ctrl+Tab three times: the device page; End chooses the last device, the Monitor sink.
        for _ in range(3):
            key("ctrl+Tab")
        expect(lambda: a11y.selected_tab(top), "Périphérique")
        key("Tab")
        # The chooser: the default entry first, then the devices by name.
        controls = a11y.controls(top)
        at = [r for r, n, _ in controls].index("combo box", [n for _, n, _ in controls].index("Périphérique de sortie"))
        items = [n for r, n, _ in controls[at + 1:at + 7] if r == "menu item"]
        assert items[0] == "Par défaut :Output" and items[-1] == "Monitor", items
        key("End")
        key("alt+o", pause=1.0)
        expect(lambda: desk.xdotool("search", "--onlyvisible", "--name", "^" + OUTPUT_TITLE + "$"), [])
        text = ini(prog)
        for line in ("Output.FadingTime = 3\r\n", "Output.FadingDown = 3\r\n", "Output.FadingUp = 3\r\n",
                     "Output.Name = Monitor\r\n",
                     "Output.ParamEQ = 60\u00a72#0;250\u00a72#0;1000\u00a72#0;3500\u00a72#0;10000\u00a72#0;\r\n"):
            assert line in text, (line, text)

        # The next track plays on the device chosen there.
        desk.xdotool("windowactivate", "--sync", main_win)
        key("Home")
        t_play = time.time()
        key("Return", pause=2.5)
        t = t_play + 1.0
        if level(mon, t) < PRESENT:  # a slow start on a loaded machine
            t = time.time()
            time.sleep(1.2)
        assert level(mon, t) > PRESENT, level(mon, t)
        assert level(out, t) < PRESENT / 4, level(out, t)

        # The Monitor settings from the menu: its two pages; Page Up then Escape drops it.
        def open_monitor_settings():
            # The settings menu by its letter; its second item. (An accessibility action on
            # the item would wait for the modal window to end.)
            desk.xdotool("windowactivate", "--sync", main_win)
            key("alt+c")
            key("Down")
            key("Return")
            assert desk.wait_window("^" + MONITOR_TITLE + "$", timeout=20), "no Monitor settings window"
            time.sleep(0.5)
            return a11y.window(MONITOR_TITLE)

        top = open_monitor_settings()
        controls = a11y.controls(top)
        tabs = [n for r, n, _ in controls if r == "page tab"]
        assert tabs == ["Général", "Périphérique"], tabs
        spins = {n: v for r, n, v in controls if r == "spin button"}
        assert spins == {"Volume bas": 30, "Volume haut": 90}, spins
        checks = {n: v for r, n, v in controls if r == "check box"}
        assert checks.get("Baisser le moniteur quand une fenêtre est ouverte") is True, checks
        # Ctrl+Shift+Tab from the first page wraps round to the last.
        key("ctrl+shift+Tab")
        expect(lambda: a11y.selected_tab(top), "Périphérique")
        key("ctrl+Tab")
        key("Tab")
        key("Prior")
        expect(lambda: {n: v for r, n, v in a11y.controls(top) if r == "spin button"}["Volume bas"], 35)
        key("Escape", pause=1.0)
        expect(lambda: desk.xdotool("search", "--onlyvisible", "--name", "^" + MONITOR_TITLE + "$"), [])
        assert "MonitorConf.LowVolume = 30\r\n" in ini(prog), ini(prog)

        # Again, confirmed this time.
        top = open_monitor_settings()
        key("Tab")
        key("Prior")
        key("alt+o", pause=1.0)
        expect(lambda: "MonitorConf.LowVolume = 35\r\n" in ini(prog), True)

        stage.quit(main_win)
    print("e2e outcfg: ok")


if __name__ == "__main__":
    main()
