"""What a screen reader sees of the main window, read over AT-SPI."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import HEADER_PREFIXES, Stage, walk  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]


def find_app(pyatspi, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is None:
                continue
            for frame in (app.getChildAtIndex(j) for j in range(app.childCount)):
                if frame is not None and frame.name == "Tondrial-Portable":
                    return app, frame
        time.sleep(0.3)
    raise AssertionError("the program's window never appeared on the accessibility bus")


def main():
    with Stage(BINARY, DATA, accessible=True) as stage:
        desk, prog, pyatspi = stage.desk, stage.prog, stage.pyatspi
        win = prog.start_main(desk, extra_env=stage.env(GTK_MODULES="gail:atk-bridge"), activate=False)
        app, frame = find_app(pyatspi)
        nodes = list(walk(frame))
        roles = [(n.getRoleName(), n.name) for n in nodes]

        buttons = [name for role, name in roles if role in ("push button", "toggle button")]
        for label in ("Lecture", "Pause", "Arrêt", "Enregistrer"):
            assert label in buttons, "button %r missing: %s" % (label, buttons)
        sliders = [name for role, name in roles if role == "slider"]
        assert len(sliders) == 2 and all(sliders), "sliders: %s" % sliders
        tables = [n for n in nodes if n.getRoleName() in ("table", "tree table")]
        assert tables and tables[0].name, "play list table missing or unnamed: %s" % roles
        table = tables[0].queryTable()
        headers = [table.getColumnDescription(c) or (table.getColumnHeader(c).name if table.getColumnHeader(c) else "")
                   for c in range(table.nColumns)]
        assert table.nColumns == 6, headers
        assert all(headers), headers
        statusbars = [name for role, name in roles if role == "status bar"]
        assert statusbars and statusbars[0], "status bar: %s" % roles

        # Alt+F1 with the play list focused opens the log window.
        desk.xdotool("windowactivate", "--sync", win)
        tables[0].queryComponent().grabFocus()
        time.sleep(0.3)
        desk.xdotool("key", "alt+F1")
        log_win = desk.wait_window("^Log - Tondrial-Portable$", timeout=10)
        assert log_win, "the log window did not open"
        time.sleep(0.5)
        texts = []
        for i in range(app.childCount):
            top = app.getChildAtIndex(i)
            if top is not None and top.name == "Log - Tondrial-Portable":
                for n in walk(top):
                    if n.getRoleName() == "text":
                        t = n.queryText()
                        texts.append(t.getText(0, t.characterCount))
        assert texts, "no text in the log window"
        first_lines = texts[0].split("\n")
        for i, prefix in enumerate(HEADER_PREFIXES):
            assert first_lines[i].startswith(prefix), (i, first_lines[i])
        desk.xdotool("key", "Escape")
        time.sleep(0.5)
        assert not desk.xdotool("search", "--onlyvisible", "--name", "^Log - "), "Escape did not close the log"
        stage.quit(win)
    print("e2e atspi: ok")


if __name__ == "__main__":
    main()
