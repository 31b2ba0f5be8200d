"""The player from the keyboard: sound on the Output and Monitor sinks, speech, files."""
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (TWO_SINKS, Stage, find_top, make_media, print_levels, table_rows,  # noqa: E402
                     write_playlist, write_settings)

BINARY, DATA = sys.argv[1], sys.argv[2]
PRESENT = 0.02  # a tone at a tenth of full scale reads about 0.05


def silent_server():
    """A radio that accepts the connection and then never answers; its address."""
    srv = socket.socket()
    srv.bind(("127.0.0.1", 0))
    srv.listen(8)
    held = []

    def run():
        while True:
            try:
                held.append(srv.accept()[0])
            except OSError:
                return
    threading.Thread(target=run, daemon=True).start()
    return "http://127.0.0.1:%d/live.mp3" % srv.getsockname()[1]


def make_files(folder, radio):
    make_media(folder, (("a440", 440), ("b660", 660), ("c880", 880)), 120)
    # The first track ends at 8 s: with 5 s of fading the next one starts at 3 s.
    write_playlist(folder, "#extrem:End=8;", "media/a440.wav", "media/b660.wav", "media/c880.wav", radio)
    write_settings(folder, *TWO_SINKS, "Output.Volume = 80", "Output.Compressor = 0;10;200;0;3;")


def row_texts(pyatspi, timeout=20):
    """The play list's rows as a screen reader reads them: a list of cell texts per row."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        frame = find_top(pyatspi, lambda t: t.name.startswith("Tondrial-Portable"), timeout=0.5)
        rows = table_rows(frame) if frame is not None else []
        if rows:
            return rows
        time.sleep(0.3)
    return []


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True, speech=True) as stage:
        desk, prog, pyatspi, speech = stage.desk, stage.prog, stage.pyatspi, stage.speech
        make_files(prog.folder, silent_server())
        t0, out, mon = stage.start_recorded()

        def key(*keys):
            desk.xdotool("key", *keys)
            return time.time() - t0

        key("Home")
        t_play = key("Return")
        time.sleep(1.5)
        # What a screen reader reads in the table follows the track states.
        rows = row_texts(pyatspi)
        assert rows and rows[0][0] == "En lecture" and rows[0][1] == "a440.wav", rows
        key("F10")
        time.sleep(0.4)
        key("F10")
        spoken = speech.wait_for(lambda l: any("100" in x for x in l))
        # The volume label comes once, then the bare values.
        vol = [x for x in spoken if "90" in x or "100" in x]
        assert len(vol) >= 2 and "Volume" in vol[0] and "90" in vol[0], spoken
        assert vol[-1].strip().startswith("100"), spoken
        time.sleep(max(0.0, t_play + 9.0 - (time.time() - t0)))  # past the hand-over
        rows = row_texts(pyatspi)
        assert [r[0] for r in rows[:2]] == ["Jouée", "En lecture"], rows
        key("End")
        key("Up")
        t_mon = key("shift+Return")  # pre-listen the last file on the Monitor
        time.sleep(2.0)
        t_pause = key("ctrl+p")
        spoken = speech.wait_for(lambda l: any("Pause" in x for x in l))
        assert any("Pause" in x for x in spoken), spoken
        time.sleep(1.5)
        t_resume = key("ctrl+p")
        time.sleep(1.5)
        # The next-chapter key on a file without chapters says so, and the track plays on.
        key("ctrl+shift+Next")
        spoken = speech.wait_for(lambda l: any("pas de chapitres" in x for x in l))
        assert any("Ce fichier n'a pas de chapitres" in x for x in spoken), spoken
        key("ctrl+Right")
        spoken = speech.wait_for(lambda l: any("Position" in x for x in l))
        assert any("Position" in x for x in spoken), spoken
        key("ctrl+g")
        time.sleep(1.0)
        desk.xdotool("type", "--delay", "50", "1:30")
        key("Return")
        time.sleep(0.5)
        # The jump is silent; the spoken status (Ctrl+F1) tells where the track is now.
        key("ctrl+F1")
        spoken = speech.wait_for(lambda l: any("1 minute 3" in x for x in l))
        assert any("1 minute 3" in x for x in spoken), spoken
        # Playing the radio that never answers: keys are answered while it connects, the track
        # that plays goes on, and the failure is said once the wait is over.
        key("Down")  # the radio, below the file the Monitor played
        time.sleep(0.3)
        key("Return")
        time.sleep(0.3)
        before = len(speech.lines)
        pressed = time.time()  # before the key is sent: the time includes its delivery
        key("ctrl+F1")
        spoken = speech.wait_for(lambda l: len(l) > before)
        answered = time.time() - pressed
        assert len(spoken) > before, spoken
        print("Ctrl+F1 answered within %.0f ms (speech polled every 100 ms) while a silent server connects" % (answered * 1000))
        assert answered < 2.0, answered
        spoken = speech.wait_for(lambda l: any("Lecture impossible" in x for x in l[before:]), timeout=20)
        assert any("Lecture impossible" in x for x in spoken[before:]), spoken
        # Previous track (Ctrl+Page Up): the played window, which replays the newest
        # history entry, the first track, by itself two seconds later.
        t_prev = key("ctrl+Prior")
        time.sleep(3.5)
        stage.quit()
        print_levels(t0, (("out 440", out, 440), ("out 660", out, 660), ("out 880", out, 880), ("mon 880", mon, 880)))

        def at(rec, freq, t):
            return rec.level(freq, t0 + t, t0 + t + 0.5)

        print("play %.1f mon %.1f pause %.1f resume %.1f" % (t_play, t_mon, t_pause, t_resume))

        # Return plays the first track on the Output only.
        # (read once the fade-in is over: on a loaded machine the key reaches the program late)
        assert at(out, 440, t_play + 1.2) > PRESENT, at(out, 440, t_play + 1.2)
        assert at(mon, 440, t_play + 1.2) < PRESENT / 4
        # The volume steps are heard: louder after the second F10.
        assert at(out, 440, t_play + 2.5) > at(out, 440, t_play + 0.8) * 1.1
        # Hand-over at 3 s with 5 s of fading: both tones between 3.5 and 7 s, then the new one alone.
        assert at(out, 440, t_play + 5.0) > PRESENT / 2 and at(out, 660, t_play + 5.0) > PRESENT / 2
        assert at(out, 660, t_play + 8.6) > PRESENT and at(out, 440, t_play + 8.6) < PRESENT / 4
        # The Monitor pre-listens while the Output goes on.
        assert at(mon, 880, t_mon + 1.0) > PRESENT, at(mon, 880, t_mon + 1.0)
        assert at(out, 660, t_mon + 1.0) > PRESENT
        # Paused: silence on the Output; resumed: the tone again.
        assert at(out, 660, t_pause + 0.6) < PRESENT / 4, at(out, 660, t_pause + 0.6)
        assert at(out, 660, t_resume + 0.6) > PRESENT

        assert at(out, 440, t_prev + 2.8) > PRESENT / 2, at(out, 440, t_prev + 2.8)

        log = prog.file("Tondrial.Log").decode("utf-8", "replace")
        assert "- Play deviceID=" in log, log
        ini = prog.file("Tondrial.ini").decode("utf-8-sig")
        assert "Output.Volume = 100\r\n" in ini, ini
        m3u = prog.file("ProfilDefault.M3U").decode("utf-8")
        assert "media/c880.wav" in m3u, m3u
        print("spoken:", speech.lines)
        # The Output fades in from silence (4 s), so its first audible sample comes late
        # by the ramp; the Monitor starts at its level and shows the key-to-sound latency.
        heard = out.first_sound_after(t0 + t_play)
        print("Output: first sound %.0f ms after Return (fade-in)" % ((heard - t0 - t_play) * 1000))
        heard = mon.first_sound_after(t0 + t_mon)
        print("Monitor: first sound %.0f ms after Shift+Return" % ((heard - t0 - t_mon) * 1000))
    print("e2e playback: ok")


if __name__ == "__main__":
    main()
