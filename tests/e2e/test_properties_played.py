"""The track properties window and the played-tracks window, driven from the keyboard."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (TWO_SINKS, Stage, find_top, make_media, print_levels, table_rows, text_of,  # noqa: E402
                     walk, write_playlist, write_settings)

BINARY, DATA = sys.argv[1], sys.argv[2]
PRESENT = 0.02  # a tone at a tenth of full scale reads about 0.05
SHOT = os.environ.get("TONDRIAL_SCREENSHOT_DIR")


def make_files(folder):
    make_media(folder, (("a440", 440), ("b660", 660)), 60)
    write_playlist(folder, "media/a440.wav", "media/b660.wav")
    write_settings(folder, *TWO_SINKS, "Output.Volume = 80", "Output.Compressor = 0;10;200;0;3;",
                   "Output.FadingTime = 1", "Output.FadingDown = 1", "Output.FadingUp = 1")


def top_starting(pyatspi, name_start, timeout=20):
    """The program's top-level window whose accessible name starts with name_start."""
    return find_top(pyatspi, lambda t: t.name.startswith(name_start), timeout)


def field(window, label):
    """The text of the field (a text or a spin field) named after the label created before it."""
    for node in walk(window):
        if node.getRoleName() in ("text", "spin button") and node.name == label:
            return text_of(node)
    return None


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True, speech=True) as stage:
        desk, prog, pyatspi, speech = stage.desk, stage.prog, stage.pyatspi, stage.speech
        make_files(prog.folder)
        t0, out, mon = stage.start_recorded()

        def key(*keys):
            sent = time.time() - t0
            desk.xdotool("key", *keys)
            time.sleep(0.3)
            return sent

        # Properties of the first track (Alt+Return).
        key("Home")
        key("alt+Return")
        assert desk.wait_window("a440.wav", timeout=20), "no properties window"
        props = top_starting(pyatspi, "Propriétés de a440.wav")
        assert props is not None, "properties window not over AT-SPI"
        dump = [(n.getRoleName(), n.name, text_of(n) if n.getRoleName() == "text" else "")
                for n in walk(props)]
        assert field(props, "Début") == "0 secondes", dump
        assert field(props, "Fin") == "", field(props, "Fin")  # plays to its end
        described = [text_of(n) for n in walk(props) if n.getRoleName() == "text" and not n.name]
        assert any("a440.wav" in d and "0:1:0" in d for d in described), described
        # From the description: Tab to the start, Page Up (a tenth of 0..59: 6 s), Up (+1 s).
        key("Tab")
        key("Prior")
        key("Up")
        assert field(props, "Début") == "7 secondes", field(props, "Début")
        if SHOT:
            desk.screenshot(os.path.join(SHOT, "properties.png"))
        t_pre = key("space")  # pre-listen at 7 s on the Monitor
        time.sleep(1.0)
        key("Return")
        time.sleep(0.5)
        assert not desk.xdotool("search", "--onlyvisible", "--name", "^Propri"), "Return did not confirm"
        main_window = top_starting(pyatspi, "Tondrial-Portable")
        rows = table_rows(main_window)
        assert rows and rows[0][1] == "a440.wav" and rows[0][3] == "7s", rows

        # Two tracks on the Output: a440 goes to the history when b660 starts.
        key("Home")
        key("Return")
        time.sleep(1.5)
        key("Down")
        key("Return")
        time.sleep(3.0)  # a440 has faded out (1 s)
        t_prev = key("ctrl+Prior")
        assert desk.wait_window("^Pistes déjà jouées$", timeout=5), "no played window"
        played = top_starting(pyatspi, "Pistes déjà jouées", timeout=2)
        assert played is not None
        assert table_rows(played) == [["a440.wav"]], table_rows(played)
        if SHOT:
            desk.screenshot(os.path.join(SHOT, "played.png"))
        # Two seconds later the newest entry replays by itself and the window closes.
        time.sleep(max(0.0, t_prev + 3.5 - (time.time() - t0)))
        assert not desk.xdotool("search", "--onlyvisible", "--name", "^Pistes"), "played window still open"
        time.sleep(1.5)
        # The previous-track key pressed again inside the window keeps it open for
        # choosing; Escape then closes it without replaying anything.
        key("ctrl+Prior")
        assert desk.wait_window("^Pistes déjà jouées$", timeout=5), "no played window"
        t_again = key("ctrl+Prior")
        time.sleep(3.0)
        assert desk.xdotool("search", "--onlyvisible", "--name", "^Pistes"), "auto-play despite the second press"
        rows = table_rows(top_starting(pyatspi, "Pistes déjà jouées", timeout=2))
        assert rows == [["a440.wav"], ["b660.wav"]], rows
        # The Monitor's play key takes the selected entry; moving the selection while it
        # plays moves the Monitor along.
        t_mon = key("shift+Return")
        time.sleep(1.5)
        t_up = key("Up")
        time.sleep(1.5)
        t_escape = key("Escape")
        time.sleep(1.0)
        assert not desk.xdotool("search", "--onlyvisible", "--name", "^Pistes"), "Escape did not close"
        time.sleep(1.0)
        stage.quit()
        print_levels(t0, (("out 440", out, 440), ("out 660", out, 660), ("mon 440", mon, 440), ("mon 660", mon, 660)))

        def at(rec, freq, t):
            return rec.level(freq, t0 + t, t0 + t + 0.5)

        print("pre-listen %.1f previous %.1f" % (t_pre, t_prev))
        # Space pre-listened on the Monitor (lowered while the window is open), not the Output.
        assert at(mon, 440, t_pre + 1.0) > PRESENT, at(mon, 440, t_pre + 1.0)
        assert at(mon, 440, t_pre - 1.0) < PRESENT / 4, at(mon, 440, t_pre - 1.0)
        assert at(out, 440, t_pre + 1.0) < PRESENT / 4
        # The window waits: no replay at once, then a440 again after two seconds.
        assert at(out, 440, t_prev + 0.8) < PRESENT / 4, at(out, 440, t_prev + 0.8)
        assert at(out, 440, t_prev + 3.5) > PRESENT / 2, at(out, 440, t_prev + 3.5)

        assert at(mon, 660, t_mon + 1.0) > PRESENT and at(mon, 440, t_mon + 1.0) < PRESENT / 4
        assert at(mon, 440, t_up + 1.0) > PRESENT and at(mon, 660, t_up + 1.0) < PRESENT / 4
        # Nothing replayed after the second press nor after Escape: a440 alone goes on.
        for t in (t_again + 2.5, t_escape + 1.0):
            assert at(out, 440, t) > PRESENT / 2 and at(out, 660, t) < PRESENT / 4, t

        m3u = prog.file("ProfilDefault.M3U").decode("utf-8")
        lines = m3u.split("\r\n")
        ext = lines[lines.index("media/a440.wav") - 1]
        assert ext.startswith("#extrem:") and "Start=7;" in ext, m3u
        print("spoken:", speech.lines)
    print("e2e properties and played: ok")


if __name__ == "__main__":
    main()
