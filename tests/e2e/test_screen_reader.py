"""What a blind user hears: the real Orca over the program in English, its speech and the
program's own announcements taken by the speech stand-in."""
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import TWO_SINKS, Stage, app_of, make_media, write_playlist, write_settings  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
# Where to keep the walk's transcript (what was pressed, what Orca and the program said).
TRANSCRIPT = os.environ.get("TONDRIAL_TRANSCRIPT")
# French words the English interface once let through; none of them may be heard.
FRENCH = ("secondes", "1minute", "heures", " sur ", "Valider", "Annuler", "Nom", "Début", "Fin",
          "Aucun effet", "Pas d'aide")


class Walk:
    def __init__(self, stage):
        self.stage, self.desk, self.speech = stage, stage.desk, stage.speech
        self.reader = stage.reader
        self.keys = []  # (time, key)

    def key(self, *keys, pause=1.2):
        """Presses keys one by one; returns the time of the first. The pause lets Orca speak."""
        t = time.time()
        for k in keys:
            self.keys.append((time.time(), k))
            self.desk.xdotool("key", k)
            time.sleep(0.25)
        time.sleep(pause)
        return t

    def orca(self, since, until=None):
        """What Orca said between two times, as one text."""
        return " | ".join(t for when, t in self.said(since, until))

    def said(self, since, until=None):
        with self.speech.lock:
            spoken = list(self.speech.spoken)
        return [(when, plain(t)) for c, when, t in spoken
                if "orca" in c.lower() and when >= since and (until is None or when < until)]

    def transcript(self):
        with self.speech.lock:
            spoken = list(self.speech.spoken)
        events = [(when, "key", k) for when, k in self.keys]
        events += [(when, "orca" if "orca" in c.lower() else "program", plain(t)) for c, when, t in spoken]
        start = events and min(e[0] for e in events)
        return "\n".join("%6.1f %-7s %s" % (when - start, who, text) for when, who, text in sorted(events))


def plain(text):
    import html
    return html.unescape(re.sub(r"<[^>]*>", "", text)).strip()


def make_files(folder):
    make_media(folder, (("a440", 440), ("b660", 660), ("c880", 880)), 60)
    write_playlist(folder, "media/a440.wav", "media/b660.wav", "media/c880.wav")
    write_settings(folder, "MainLang = english", *TWO_SINKS, "Output.Volume = 60",
                   "Main\\Path.MyMusicFolder = " + os.path.join(folder, "media") + "/")


def main():
    with Stage(BINARY, DATA, accessible=True, sound=True, screen_reader=True) as stage:
        make_files(stage.prog.folder)
        assert stage.reader.wait_ready(), "Orca did not start"
        walk = Walk(stage)
        stage.start(GTK_MODULES="gail:atk-bridge")
        assert app_of(stage.pyatspi, stage.prog.proc.pid) is not None, "the program is not on the bus"
        time.sleep(3.0)
        checks = []

        def expect(what, ok, heard):
            checks.append((what, ok, heard))

        # The main window: the list, then the track properties of the first track.
        walk.key("Home", "Down", "Up")
        t = walk.key("alt+Return", pause=2.5)
        t = walk.key("Tab")
        heard = walk.orca(t)
        expect("Start on first Tab", "Start" in heard and "spin button" in heard and "0 seconds" in heard, heard)
        t = walk.key("Up")
        t2 = walk.key("Up")
        heard1, heard2 = walk.orca(t, t2), walk.orca(t2)
        expect("Start stepped once", "1 second" in heard1, heard1)
        expect("Start stepped twice", "2 seconds" in heard2, heard2)
        t = walk.key("Tab")
        heard = walk.orca(t)
        expect("End on first Tab", "End" in heard and "spin button" in heard and "1 minute" in heard, heard)
        walk.key("Escape", pause=2.0)

        # The Output board: volume, then Tempo and Pitch.
        walk.key("space", pause=2.5)
        walk.key("Up")
        t = walk.key("Tab")
        heard = walk.orca(t)
        expect("Tempo on first Tab", "Tempo" in heard and "spin button" in heard and "0" in heard, heard)
        t = walk.key("Tab")
        heard = walk.orca(t)
        expect("Pitch on first Tab", "Pitch" in heard and "spin button" in heard, heard)
        walk.key("Escape", pause=2.0)

        # The preferences: the language, then the music folder.
        walk.key("alt+p", pause=3.0)
        t = walk.key("Tab")
        t2 = walk.key("Tab")
        heard = walk.orca(t, t2)
        expect("language named once", heard.count("Language") == 1 and "english" in heard, heard)
        heard = walk.orca(t)
        expect("music folder on first Tab", "folder" in heard.lower() and "text" in heard and "media" in heard, heard)
        # The shortcut tab (the last tab, left of the first): the key list says each key the
        # arrows choose.
        walk.key("shift+Tab", "shift+Tab", "Left")
        walk.key("Tab", "Tab", "Tab", "Tab", "Tab", "Tab", pause=1.5)  # list, Alt, Ctrl, Shift, Win, key
        t = walk.key("Down", pause=1.5)
        heard = walk.orca(t)
        expect("key list heard", "Backspace" in heard, heard)
        # Another language: its message is heard whole, where the focus stays (the OK button).
        walk.key("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "Right")
        walk.key("Tab", "Up")  # français, above english
        t = walk.key("Return", pause=2.5)
        heard = walk.orca(t)
        expect("message read whole", "next time Tondrial starts" in heard.split("OK push button")[-1], heard)
        walk.key("Return", pause=2.0)

        # Delete the second track: the row that takes its place is heard.
        walk.key("Home", "Down")
        t = walk.key("Delete", pause=2.0)
        heard = walk.orca(t)
        expect("row after Delete", "c880" in heard, heard)

        # Go to position (playing): its field named once, with its role and value.
        walk.key("Home", "Return", pause=1.0)
        t = walk.key("ctrl+g", pause=2.5)
        heard = walk.orca(t)
        expect("go-to field named once", heard.count("Position to go to") == 1 and "combo box" in heard
               and "0s" in heard, heard)
        walk.key("Escape", pause=1.5)

        # Playing, with the position slider focused (Shift+Tab from the list): at most one
        # value in 10 seconds.
        walk.key("Home", "Return", pause=1.0)
        t = walk.key("shift+Tab", pause=1.0)
        time.sleep(10.0)
        values = [x for w, x in walk.said(t + 1.0) if re.fullmatch(r"\d+%?", x)]
        expect("position slider quiet", len(values) <= 1, walk.orca(t))

        # The main volume slider: the program says "Volume 70%" and Orca no bare number beside it.
        for _ in range(6):
            t = walk.key("shift+Tab", pause=0.8)
            if "Volume" in walk.orca(t):
                break
        t = walk.key("Up", pause=1.5)
        with stage.speech.lock:
            program = [plain(x) for c, w, x in stage.speech.spoken if "orca" not in c.lower() and w >= t]
        heard = [x for w, x in walk.said(t) if re.fullmatch(r"\d+", x)]
        expect("volume heard once", any(re.fullmatch(r"Volume \d+%", x) for x in program) and not heard,
               (program, walk.orca(t)))

        all_heard = [x for w, x in walk.said(0)]
        with stage.speech.lock:
            all_heard += [plain(x) for c, w, x in stage.speech.spoken if "orca" not in c.lower()]
        french = [(w, x) for x in all_heard for w in FRENCH if w in x]
        expect("no French", not french, french)
        stage.quit()
        text = walk.transcript()
        print(text)
        if TRANSCRIPT:
            with open(TRANSCRIPT, "w") as f:
                f.write(text + "\n")
        failed = [c for c in checks if not c[1]]
        for what, ok, heard in checks:
            print("%s %s: %r" % ("ok  " if ok else "FAIL", what, heard))
        assert not failed, failed
    print("e2e screen reader: ok")


if __name__ == "__main__":
    main()
