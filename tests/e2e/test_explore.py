"""The file explorer from the keyboard: move, enter a folder, back out, add files; what a screen
reader reads of it, what is spoken, and what reaches the play list."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Stage, find_top, make_tone, table_rows, walk, write_settings  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
SCREENSHOT = os.environ.get("EXPLORE_SCREENSHOT")


def make_tones(folder):
    """A music folder with three tones and a sub-folder holding a fourth (names with spaces)."""
    tones = os.path.join(folder, "Ma musique")
    os.makedirs(os.path.join(tones, "Sous dossier"), exist_ok=True)
    for rel, freq in (("a440.wav", 440), ("b660.wav", 660), ("c880.wav", 880), ("Sous dossier/d990.wav", 990)):
        make_tone(os.path.join(tones, rel), freq, 3)
    write_settings(folder, "MonitorDevice.Name = Monitor", "MonitorDevice.UseDefault = Off",
                   "Main\\Path.MyMusicFolder = %s/" % tones)
    return tones + "/"


def find_window(pyatspi, prefix, timeout=20):
    return find_top(pyatspi, lambda t: (t.name or "").startswith(prefix), timeout)


def column_rows(pyatspi, prefix, timeout=20, column=0):
    """One column of the rows of the first table in the window whose name starts with prefix."""
    win = find_window(pyatspi, prefix, timeout)
    if win is None:
        return None
    return [row[column] for row in table_rows(win)]


def wait_rows(pyatspi, prefix, predicate, timeout=15, column=0):
    deadline = time.time() + timeout
    rows = None
    while time.time() < deadline:
        rows = column_rows(pyatspi, prefix, 5, column)
        if rows is not None and predicate(rows):
            return rows
        time.sleep(0.3)
    return rows


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True, speech=True) as stage:
        desk, prog, pyatspi, speech = stage.desk, stage.prog, stage.pyatspi, stage.speech
        tones = make_tones(prog.folder)
        mon = stage.record("mon")
        win = stage.start()
        time.sleep(0.5)

        def key(*keys):
            desk.xdotool("key", "--delay", "150", *keys)
            time.sleep(0.6)

        key("ctrl+e")  # the explorer on the music folder
        explorer = desk.wait_window("^Explorateur, fichiers lisibles : 3$", timeout=20)
        assert explorer, "the explorer did not open on the music folder"
        rows = wait_rows(pyatspi, "Explorateur", lambda r: len(r) == 4)
        assert rows == ["Sous dossier/, dossier", "a440.wav", "b660.wav", "c880.wav"], rows
        dialog = find_window(pyatspi, "Explorateur")
        names = [(n.getRoleName(), n.name) for n in walk(dialog)]
        buttons = [name for role, name in names if role == "push button"]
        assert "Ajouter ce fichier (Entrée)" in buttons, names
        assert "Remonter (Retour arrière)" in buttons, names
        texts = [n for n in walk(dialog) if n.getRoleName() == "text"]
        assert ('combo box', 'Type de fichiers') in names, names
        assert any(t.name == "Emplacement" and t.queryText().getText(0, -1) == tones for t in texts), \
            [(t.name, t.queryText().getText(0, -1)) for t in texts]
        if SCREENSHOT:
            desk.screenshot(SCREENSHOT)

        # Two presses of the Monitor key: auto-play; moving then pre-listens each file.
        desk.xdotool("key", "--delay", "100", "shift+Return", "shift+Return")
        spoken = speech.wait_for(lambda l: any("auto" in x.lower() for x in l))
        time.sleep(0.5)
        t_down = time.time()
        key("Down")
        time.sleep(1.0)
        heard = mon.level(660, t_down + 0.4, t_down + 1.4)
        assert heard > 0.02, "the Monitor did not pre-listen the selected file: %.3f; spoken %r" % (heard, spoken)

        # The first file was selected: Down and Return add the second one.
        key("Return")
        spoken = speech.wait_for(lambda l: "Piste ajoutée" in l)
        assert "Piste ajoutée" in spoken, spoken
        # The play list's name column (the state column comes first).
        main_rows = wait_rows(pyatspi, "Tondrial-Portable", lambda r: r == ["b660.wav"], column=1)
        assert main_rows == ["b660.wav"], main_rows

        # Into the sub-folder and back out: the folder left is selected again.
        key("Home", "Return")
        assert desk.wait_window("^Explorateur, fichiers lisibles : 1$", timeout=10), "not in the sub-folder"
        rows = wait_rows(pyatspi, "Explorateur", lambda r: r == ["d990.wav"])
        assert rows == ["d990.wav"], rows
        key("BackSpace")
        assert desk.wait_window("^Explorateur, fichiers lisibles : 3$", timeout=10), "back did not return"
        # Alt+Left goes back as well.
        key("Return")
        assert desk.wait_window("^Explorateur, fichiers lisibles : 1$", timeout=10), "not in the sub-folder"
        key("alt+Left")
        assert desk.wait_window("^Explorateur, fichiers lisibles : 3$", timeout=10), "Alt+Left did not return"
        # Space on the selected folder adds its file.
        key("space")
        spoken = speech.wait_for(lambda l: "Pistes ajoutées : 1" in l)
        assert "Pistes ajoutées : 1" in spoken, spoken
        # Space on a file adds every listed file not yet in the play list.
        key("Down", "space")
        spoken = speech.wait_for(lambda l: "Pistes ajoutées : 2" in l)
        assert "Pistes ajoutées : 2" in spoken, spoken

        key("Escape")
        deadline = time.time() + 10
        while time.time() < deadline and desk.wait_window("^Explorateur", timeout=0.5):
            time.sleep(0.3)
        assert not desk.wait_window("^Explorateur", timeout=0.5), "Escape did not close the explorer"
        main_rows = wait_rows(pyatspi, "Tondrial-Portable", lambda r: len(r) == 4, column=1)
        assert main_rows == ["b660.wav", "d990.wav", "a440.wav", "c880.wav"], main_rows

        stage.quit(win)
        m3u = prog.file("ProfilDefault.M3U").decode("utf-8")
        for name in ("b660.wav", "d990.wav", "a440.wav", "c880.wav"):
            assert name in m3u, m3u
        assert m3u.index("b660.wav") < m3u.index("d990.wav") < m3u.index("a440.wav"), m3u
        print("spoken:", speech.lines)
    print("e2e explore: ok")


if __name__ == "__main__":
    main()
