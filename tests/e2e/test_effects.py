"""The effects window from the menu: its pages as a screen reader reads them, a renamed set,
an effect ticked and a parameter changed by keys, then the effect-set file and the menus."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (TWO_SINKS, Stage, make_media, text_of, top_window, walk,  # noqa: E402
                     write_playlist, write_settings)

BINARY, DATA = sys.argv[1], sys.argv[2]
TITLE = "Modifier l'effet Effet 1"
PRESENT = 0.02  # a tone at a tenth of full scale reads about 0.05


def make_files(folder):
    make_media(folder, (("a440", 440),), 120)
    write_playlist(folder, "media/a440.wav")
    write_settings(folder, *TWO_SINKS, "Output.Volume = 80", "Output.Compressor = 0;10;200;0;3;")


def controls(window):
    """(role, name, text, states) of every node, for reading a failure too."""
    out = []
    for n in walk(window):
        states = n.getState().getStates()
        out.append((n.getRoleName(), n.name, text_of(n), {str(s) for s in states}))
    return out


def named(nodes, role, name):
    return [n for n in nodes if n[0] == role and n[1] == name]


def spin_texts(window, name):
    return [text_of(n) for n in walk(window) if n.getRoleName() == "spin button" and n.name == name]


def effects_file(prog, must_hold, timeout=10):
    """The effect-set file once it holds a text (it is written just after the window closes)."""
    deadline = time.time() + timeout
    ini = ""
    while time.time() < deadline:
        try:
            ini = prog.file("Effects.ini").decode("utf-8-sig")
        except FileNotFoundError:
            ini = ""
        if must_hold in ini:
            break
        time.sleep(0.2)
    return ini


def selected_tab(window):
    for n in walk(window):
        if n.getRoleName() == "page tab" and any("SELECTED" in str(s) for s in n.getState().getStates()):
            return n.name
    return None


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True) as stage:
        desk, prog, pyatspi = stage.desk, stage.prog, stage.pyatspi
        make_files(prog.folder)
        out = stage.record("out")
        win = stage.start(GTK_MODULES="gail:atk-bridge")
        time.sleep(1.0)

        # Configuration menu, "Configurer les effets", "Effet 1" (the first that can be edited).
        for k in ("alt+c", "Down", "Down", "Right", "Return"):
            desk.xdotool("key", k)
            time.sleep(0.4)
        dlg = desk.wait_window("^" + TITLE + "$", timeout=15)
        assert dlg, "the effects window did not open"
        window = top_window(pyatspi, TITLE)
        time.sleep(0.5)
        nodes = controls(window)
        tabs = [n[1] for n in nodes if n[0] == "page tab"]
        assert tabs == ["Général", "Passe-tout", "Wah", "Chorus", "Écho", "Réverbération"], tabs
        assert selected_tab(window) == "Général"
        name = named(nodes, "text", "Nom de l'effet")
        assert name and name[0][2] == "Effet 1", nodes
        for box in ("Écouter sur le moniteur", "Écouter sur la sortie", "Filtre passe-tout", "Chorus",
                    "Réverbération"):
            assert named(nodes, "check box", box), "check box %r missing: %s" % (box, nodes)
        # The parameters show their values with their units (the defaults of a new set).
        spins = {n[1]: n[2] for n in nodes if n[0] == "spin button"}
        assert len([n for n in nodes if n[0] == "spin button"]) == 20, nodes
        assert spins.get("Gain") == "0.6", spins
        assert spins.get("Fréquence") == "100 Hz", spins
        assert spins.get("Balayage maximum") == "5 ms", spins
        assert spins.get("Niveau") == "0.6", spins
        delays = [n[2] for n in nodes if n[0] == "spin button" and n[1] == "Délai"]
        assert delays == ["50 ms", "1.0 secondes", "1200 ms"], delays
        presets = [n for n in nodes if n[0] == "combo box" and n[1] == "Préréglages du chorus"]
        assert presets, nodes

        # Ctrl+Shift+Tab wraps to the last page, Ctrl+Tab back to the first.
        desk.xdotool("key", "ctrl+shift+Tab")
        time.sleep(0.4)
        assert selected_tab(window) == "Réverbération", selected_tab(window)
        desk.xdotool("key", "ctrl+Tab")
        time.sleep(0.4)
        assert selected_tab(window) == "Général", selected_tab(window)

        # Rename: the name field selects its text when it gets the focus.
        desk.xdotool("key", "Tab")
        time.sleep(0.4)
        desk.xdotool("type", "--delay", "40", "Studio")
        # The chorus page: tick the effect, raise the wet mix by a tenth of its range.
        for _ in range(3):
            desk.xdotool("key", "ctrl+Tab")
            time.sleep(0.3)
        assert selected_tab(window) == "Chorus", selected_tab(window)
        for k in ("Tab", "space", "Tab", "Tab", "Prior"):
            desk.xdotool("key", k)
            time.sleep(0.3)
        nodes = controls(window)
        wet = [n for n in nodes if n[0] == "spin button" and n[1] == "Son traité"]
        assert "0.75" in [n[2] for n in wet], wet
        chorus = named(nodes, "check box", "Chorus")
        assert chorus and any("STATE_CHECKED" in s for s in chorus[0][3]), chorus
        # F1 on a chorus parameter puts it back to 0; on the preset list it applies the preset.
        desk.xdotool("key", "F1")
        time.sleep(0.3)
        assert "0.00" in spin_texts(window, "Son traité"), spin_texts(window, "Son traité")
        for k in ("Tab", "Tab", "Tab", "Tab", "Tab"):
            desk.xdotool("key", k)
            time.sleep(0.3)
        for k in ("Down", "Down", "Down"):  # "Devil"
            desk.xdotool("key", k)
            time.sleep(0.3)
        desk.xdotool("key", "F1")
        time.sleep(0.4)
        assert "0.35" in spin_texts(window, "Son traité"), spin_texts(window, "Son traité")
        assert "50 ms" in spin_texts(window, "Balayage maximum"), spin_texts(window, "Balayage maximum")
        assert "200" in spin_texts(window, "Vitesse"), spin_texts(window, "Vitesse")
        chorus = named(controls(window), "check box", "Chorus")
        assert any("STATE_CHECKED" in s for s in chorus[0][3]), chorus  # the preset leaves the box
        desk.screenshot(os.path.join(os.path.dirname(BINARY), "..", "effects-window.png"))
        desk.xdotool("key", "Return")
        assert desk.wait_gone("^" + TITLE + "$"), "Return did not confirm"

        ini = effects_file(prog, "Name = Studio")
        assert "\r\n[2]\r\nName = Studio\r\n" in ini, ini
        group = ini.split("[2]\r\n")[1].split("[3]")[0]
        for entry in ("Chorus_Enable = 1", "Chorus_fWetMix = 0.3499999940", "Chorus_fMaxSweep = 50.0000000000",
                      "Chorus_fRate = 200.0000000000", "Chorus_fDryMix = 0.8999999762"):
            assert entry + "\r\n" in group, (entry, group)
        assert "APF_Enable = 0\r\n" in group, group
        assert "Flags = 1\r\n" in ini, ini

        # The menus name the set: Output and Monitor effects, and the item that edits it.
        main = top_window(pyatspi, "Tondrial-Portable")
        items = [n.name for n in walk(main, limit=60) if n.getRoleName() in ("menu item", "radio menu item",
                                                                              "check menu item")]
        assert items.count("Studio") >= 3, items
        assert "Effet 1" not in items, items

        # Reopened: the new name in the title. Return on the Cancel button cancels, and so
        # does Escape.
        for attempt in ("Return on Cancel", "Escape"):
            for k in ("alt+c", "Down", "Down", "Right", "Return"):
                desk.xdotool("key", k)
                time.sleep(0.4)
            assert desk.wait_window("^Modifier l'effet Studio$", timeout=15), "the renamed set did not open"
            time.sleep(0.5)
            keys = ["Tab", "type:Autre"]
            keys += ["shift+Tab", "shift+Tab", "Return"] if attempt == "Return on Cancel" else ["Escape"]
            for k in keys:
                if k.startswith("type:"):
                    desk.xdotool("type", "--delay", "40", k[5:])
                else:
                    desk.xdotool("key", k)
                time.sleep(0.4)
            time.sleep(0.5)
            assert not desk.xdotool("search", "--onlyvisible", "--name", "^Modifier l'effet"), attempt
            ini = prog.file("Effects.ini").decode("utf-8-sig")
            assert "Name = Studio\r\n" in ini and "Autre" not in ini, (attempt, ini)

        # The test on the Output: the tone on air goes through the edited echo; with its dry
        # and wet sound typed to 0 the Output is silent, and closing the window ends the test.
        desk.xdotool("windowactivate", "--sync", win)
        desk.xdotool("key", "Home")
        desk.xdotool("key", "Return")
        time.sleep(1.5)
        for k in ("alt+c", "Down", "Down", "Right", "Down", "Return"):
            desk.xdotool("key", k)
            time.sleep(0.4)
        assert desk.wait_window("^Modifier l'effet Effet 2$", timeout=15), "set 2 did not open"
        time.sleep(0.5)
        for k in ("Tab", "Tab", "Tab", "space", "ctrl+Tab", "ctrl+Tab", "ctrl+Tab", "ctrl+Tab", "Tab", "space",
                  "Tab"):
            desk.xdotool("key", k)
            time.sleep(0.3)
        t_open = time.time()
        time.sleep(1.0)
        # A field reached by Tab keeps its text unselected (a screen reader reads it whole):
        # select it to type over it.
        desk.xdotool("key", "ctrl+a")
        desk.xdotool("type", "0")
        desk.xdotool("key", "Tab")
        time.sleep(0.3)
        desk.xdotool("key", "ctrl+a")
        desk.xdotool("type", "0")
        desk.xdotool("key", "Tab")
        t_silent = time.time()
        time.sleep(1.5)
        desk.xdotool("key", "Escape")
        t_closed = time.time()
        time.sleep(1.5)
        before = out.level(440, t_open, t_open + 0.5)
        during = out.level(440, t_silent + 0.8, t_silent + 1.3)
        after = out.level(440, t_closed + 0.8, t_closed + 1.3)
        print("Output 440 Hz: window open %.4f, echo silenced %.4f, closed %.4f" % (before, during, after))
        assert before > PRESENT / 2, before
        assert during < PRESENT / 8, during
        assert after > PRESENT, after
        ini = effects_file(prog, "Flags = 3")
        assert "Flags = 3\r\n" in ini, ini  # the Output test is kept, and off at the next opening
        group = ini.split("[3]\r\n")[1].split("[4]")[0]
        assert "Echo2_Enable = 0\r\n" in group, group

        stage.quit(win)
    print("e2e effects: ok")


if __name__ == "__main__":
    main()
