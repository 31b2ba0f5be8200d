"""Announcements reach the screen reader's speech server from the real program."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import Stage  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]


def main():
    with Stage(BINARY, DATA, speech=True) as stage:
        desk, prog, speech = stage.desk, stage.prog, stage.speech
        stage.start()
        # F6 switches to the music profile and says so; F5 goes back.
        desk.xdotool("key", "F6")
        lines = speech.wait_for(lambda l: any("Musique" in x for x in l))
        assert any("Musique" in x for x in lines), "spoken: %r\n%s" % (lines, speech.commands)
        desk.xdotool("key", "F5")
        lines = speech.wait_for(lambda l: any("défaut" in x for x in l))
        assert any("défaut" in x for x in lines), "spoken: %r" % lines
        # Each announcement interrupts the one before.
        assert any(c.lower().startswith("cancel") for c in speech.commands), speech.commands
        stage.quit()
        print("spoken:", lines)
    print("e2e speech: ok")


if __name__ == "__main__":
    main()
