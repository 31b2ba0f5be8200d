"""The file explorer from the keyboard: move, enter a folder, back out, add files; what a screen
reader reads of it, what is spoken, and what reaches the play list."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Desktop, FakeScreenReader, Program, PulseServer, SpeechCapture,  # noqa: E402
                     StreamRecorder, start_accessibility_bus, walk)

BINARY, DATA = sys.argv[1], sys.argv[2]
SCREENSHOT = os.environ.get("EXPLORE_SCREENSHOT")


def make_tones(folder):
    """A music folder with three tones and a sub-folder holding a fourth (names with spaces)."""
    tones = os.path.join(folder, "Ma musique")
    os.makedirs(os.path.join(tones, "Sous dossier"), exist_ok=True)
    for rel, freq in (("a440.wav", 440), ("b660.wav", 660), ("c880.wav", 880), ("Sous dossier/d990.wav", 990)):
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", os.path.join(tones, rel),
                        "synth", "3", "sine", str(freq), "vol", "0.3"], check=True)
    with open(os.path.join(folder, "Tondrial.ini"), "w", newline="") as f:
        f.write("\ufeff; Nom : Tondrial\r\nMainWindowZ = 0\r\nMainWindowW = 800\r\nMainWindowH = 600\r\n"
                "MonitorDevice.Name = Monitor\r\nMonitorDevice.UseDefault = Off\r\n"
                "Main\\Path.MyMusicFolder = %s/\r\n" % tones)
    return tones + "/"


def find_window(pyatspi, prefix, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            for win in (app.getChildAtIndex(j) for j in range(app.childCount if app else 0)):
                if win is not None and (win.name or "").startswith(prefix):
                    return win
        time.sleep(0.3)
    return None


def table_rows(pyatspi, prefix, timeout=20, column=0):
    """One column of the rows of the first table in the window whose name starts with prefix."""
    win = find_window(pyatspi, prefix, timeout)
    if win is None:
        return None
    for node in walk(win):
        if node.getRoleName() in ("table", "tree table"):
            table = node.queryTable()
            return [table.getAccessibleAt(r, column).name or "" for r in range(table.nRows)]
    return None


def wait_rows(pyatspi, prefix, predicate, timeout=15, column=0):
    deadline = time.time() + timeout
    rows = None
    while time.time() < deadline:
        rows = table_rows(pyatspi, prefix, 5, column)
        if rows is not None and predicate(rows):
            return rows
        time.sleep(0.3)
    return rows


def main():
    launcher = start_accessibility_bus()
    import pyatspi  # after the bus exists
    pulse = PulseServer()
    speech = SpeechCapture()
    reader = FakeScreenReader()
    recorders = []
    try:
        with Desktop() as desk:
            prog = Program(BINARY, DATA)
            tones = make_tones(prog.folder)
            try:
                env = dict(speech.client_env(), NO_AT_BRIDGE="0", SDL_AUDIODRIVER="pulseaudio", **pulse.client_env())
                mon = StreamRecorder(pulse, "mon")
                recorders.append(mon)
                prog.start(desk, "-portable", extra_env=env)
                win = desk.wait_window("^Tondrial-Portable$")
                assert win, "no main window"
                desk.xdotool("windowactivate", "--sync", win)
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

                desk.xdotool("windowactivate", "--sync", win)
                key("alt+F4")
                code = prog.wait()
                assert code == 0, "exit code %d\n%s" % (code, prog.output)
                m3u = prog.file("ProfilDefault.M3U").decode("utf-8")
                for name in ("b660.wav", "d990.wav", "a440.wav", "c880.wav"):
                    assert name in m3u, m3u
                assert m3u.index("b660.wav") < m3u.index("d990.wav") < m3u.index("a440.wav"), m3u
                print("spoken:", speech.lines)
            finally:
                prog.cleanup()
    finally:
        for r in recorders:
            r.stop()
        reader.close()
        speech.close()
        pulse.close()
        launcher.terminate()
    print("e2e explore: ok")


if __name__ == "__main__":
    main()
