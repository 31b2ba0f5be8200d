"""The Output board and the About window from the keyboard, read over AT-SPI."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Stage, top_window, walk  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
SHOT = os.environ.get("BOARD_SCREENSHOT")  # a folder: the two windows are pictured there



def nodes_of(top):
    out = []
    for n in walk(top):
        try:
            role = n.getRoleName()
            text = ""
            if role in ("text", "label"):
                t = n.queryText()
                text = t.getText(0, t.characterCount)
            value = None
            if role in ("slider", "spin button"):
                value = n.queryValue().currentValue
            out.append((role, n.name, text, value))
        except Exception:  # a node that vanished meanwhile
            continue
    return out


def board_state(pyatspi):
    """Volume, tempo and pitch values and the texts beside the spinners, as a screen reader finds them."""
    deadline = time.time() + 10
    while True:
        nodes = nodes_of(top_window(pyatspi, "Tableau de sortie"))
        values = {name: value for role, name, _, value in nodes if role in ("slider", "spin button")}
        labels = [text for role, _, text, _ in nodes if role == "label"]
        if len(values) == 3 or time.time() > deadline:
            return values, labels, nodes
        time.sleep(0.3)



def main():
    with Stage(BINARY, DATA, accessible=True, speech=True) as stage:
        desk, prog, pyatspi, speech = stage.desk, stage.prog, stage.pyatspi, stage.speech
        win = stage.start(GTK_MODULES="gail:atk-bridge")
        time.sleep(1.0)

        def key(*keys, pause=0.4):
            desk.xdotool("key", "--delay", "150", *keys)
            time.sleep(pause)

        # Space opens the board on the volume slider; Tab reaches the tempo spinner.
        key("space", pause=1.0)
        assert desk.wait_window("^Tableau de sortie$", timeout=10), "the board did not open"
        values, labels, nodes = board_state(pyatspi)
        assert values == {"Volume": 80, "Tempo": 0, "Hauteur": 0}, nodes
        assert "0 %" in labels and "0.0 demi-tons" in labels, labels
        for role, name in (("combo box", "Effet"), ("push button", "OK"), ("push button", "Annuler")):
            assert any(r == role and n == name for r, n, _, _ in nodes), (role, name, nodes)
        key("Tab", "Prior", "Prior")  # two tenths of -50..100
        values, labels, _ = board_state(pyatspi)
        assert values["Tempo"] == 30 and "30 %" in labels, (values, labels)
        key("Tab", "Prior")  # pitch: 15 half-steps
        values, labels, _ = board_state(pyatspi)
        assert values["Hauteur"] == 15 and "7.5 demi-tons" in labels, (values, labels)
        # A player key inside the board: spoken, and the slider follows it.
        key("F9")
        spoken = speech.wait_for(lambda l: any("70" in x for x in l))
        assert any("70" in x for x in spoken), spoken
        values, _, _ = board_state(pyatspi)
        assert values["Volume"] == 70, values
        if SHOT:
            desk.screenshot(os.path.join(SHOT, "board.png"))
        # Escape cancels: tempo and pitch back to where they were (the volume key was
        # not the window's change).
        key("Escape", pause=0.8)
        assert desk.wait_gone("^Tableau de sortie$", 5), "Escape did not close the board"
        key("space", pause=1.0)
        values, labels, _ = board_state(pyatspi)
        assert values == {"Volume": 70, "Tempo": 0, "Hauteur": 0}, values
        # Return keeps the changes, a number typed into a spinner too.
        key("Tab", "Prior", "Tab", "ctrl+a", "6", "Return", pause=0.8)
        assert desk.wait_gone("^Tableau de sortie$", 5), "Return did not close the board"
        key("space", pause=1.0)
        values, labels, _ = board_state(pyatspi)
        assert values["Tempo"] == 15 and "15 %" in labels, (values, labels)
        assert values["Hauteur"] == 6 and "3.0 demi-tons" in labels, (values, labels)
        key("Escape", pause=0.8)
        assert desk.wait_gone("^Tableau de sortie$", 5)

        # About: the last item of the help menu.
        desk.xdotool("windowactivate", "--sync", win)
        key("alt+a", pause=0.8)
        key("Up", "Return", pause=1.0)
        assert desk.wait_window("^À propos de Tondrial$", timeout=10), "About did not open"
        nodes = nodes_of(top_window(pyatspi, "À propos de Tondrial"))
        texts = [text for role, _, text, _ in nodes if role == "text"]
        assert texts and texts[0].startswith("Tondrial, le lecteur audio"), nodes
        assert "Licence de Tondrial\n" in texts[0] and "%1" not in texts[0], texts[0][:400]
        buttons = [name for role, name, _, _ in nodes if role == "push button"]
        assert "OK" in buttons and "Site web" in buttons, buttons
        if SHOT:
            desk.screenshot(os.path.join(SHOT, "about.png"))
        key("Escape", pause=0.8)
        assert desk.wait_gone("^À propos de Tondrial$", 5), "Escape did not close About"

        stage.quit(win)
        ini = prog.file("Tondrial.ini").decode("utf-8-sig")
        assert "Output.Volume = 70\r\n" in ini, ini
    print("e2e board: ok")


if __name__ == "__main__":
    main()
