"""No raw text key and no French leftover in what the program shows and speaks, started in French
(the base language) and in English: the main window and its menus, the announcements of the
player keys, and every child window that opens from the main window."""
import glob
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (Desktop, FakeScreenReader, Program, PulseServer, SpeechCapture,  # noqa: E402
                     start_accessibility_bus, walk)

BINARY, DATA = sys.argv[1], sys.argv[2]
MAIN_TITLE = "Tondrial-Portable"


def is_main(title):
    """The main window's title: the program's name, and the playing track's while one plays."""
    return title == MAIN_TITLE or title.startswith(MAIN_TITLE + " : ")
# Screenshots of the open menus land beside the program in the build tree.
SHOTS = os.path.join(os.path.dirname(os.path.abspath(DATA)), "e2e-shots")

# Keys that speak, as the default shortcut table has them; pressed in this order. Each one
# toggles or steps something, so most come in pairs that leave the player as it was.
SPEAKING_KEYS = [
    "F10", "F9",                        # volume up, down
    "ctrl+p", "ctrl+p",                 # pause, resume
    "ctrl+Right", "ctrl+Left",          # position forward, backward
    "ctrl+F1",                          # playback information
    "F6", "F5",                         # music profile, default profile
    "ctrl+l", "ctrl+l",                 # looping on, off
    "shift+apostrophe", "shift+apostrophe",  # tempo and pitch on, off
    "shift+1", "shift+0",               # Output effect 1, no effect
    "F7", "F7",                         # mute on, off
    "Down", "alt+Up", "alt+Down",       # move the selected track up and down
    "shift+Return shift+Return",        # Monitor: a double press listens automatically
]
# Pressed after the child windows (some of them need a track on the Output).
LAST_KEYS = ["ctrl+s", "ctrl+p"]        # stop, then nothing to pause

# The child windows of the main window: how each opens and the text key of its title (None for
# a fixed title). A window that does not open (not built yet) is reported and skipped. "menu"
# paths are text keys of the menu bar, an int picks a numbered item. What is read: "all";
# "frame" leaves out the big text of a text window (a file's content: help, history, log); "no
# list" leaves out a list's cells (the language editor lists the keys themselves).
WINDOWS = [
    # name, opened by, title key, what is read
    ("help", ("key", "F1"), "Help.Title", "frame"),
    ("log", ("key", "alt+F1"), None, "frame"),
    ("go to position", ("key", "ctrl+g"), "Title.GoToPosition", "all"),
    ("add an address", ("menu", ("Menu.File", "Menu\\File.Add", "Menu\\File.AddURL")), "Title.AddURL", "all"),
    ("track menu", ("key", "Menu"), None, "all"),
    ("explorer", ("key", "ctrl+e"), "Title.ExploreFile", "all"),
    ("preferences", ("key", "alt+p"), "Pref.Title", "all"),
    ("output board", ("key", "space"), "OutputBoard.Title", "all"),
    ("output settings", ("menu", ("Menu.Config", "Menu\\Config.Output")), "Output\\Config.Title", "all"),
    ("equaliser", ("key", "ctrl+q"), "Output\\Config.Title", "all"),
    ("monitor settings", ("menu", ("Menu.Config", "Menu\\Config.Monitor")), "MonitorConfig\\Title.Edit", "all"),
    ("effects", ("menu", ("Menu.Config", "Menu\\Effects.Config", 1)), "Effects\\Title.Edit", "all"),
    ("track properties", ("key", "alt+Return"), "Property\\Title.Edit", "all"),
    ("played tracks", ("key", "ctrl+Prior"), "Played\\Title.PlayedList", "all"),
    ("language editor", ("key", "alt+F2"), None, "no list"),
    ("what's new", ("menu", ("Menu.About", "Menu\\About.WhatNews")), "WhatNews.Title", "frame"),
    ("about", ("menu", ("Menu.About", "Menu\\About.About")), "About.Title", "all"),
]

# Captions the program shows in French whatever the language: fixed texts, not language texts.
FIXED_FRENCH = {
    "Annuler",  # the preferences window's Cancel button (its OK button reads "Valider")
}

PLACEHOLDER = re.compile(r"%(?:s[1-5]|w)%", re.IGNORECASE)
KEY_TOKEN = re.compile(r"[A-Za-z][A-Za-z0-9]*(?:\\[A-Za-z0-9]+)*\.[A-Za-z][A-Za-z0-9]*")


def read_lng(path):
    """A language file as {key: text}: UTF-16 LE with a byte-order mark, "key=text" lines."""
    with open(path, "rb") as f:
        raw = f.read()
    assert raw[:2] == b"\xff\xfe", path + " has no UTF-16 LE mark"
    entries = {}
    for line in raw[2:].decode("utf-16-le").splitlines():
        if not line or line.startswith(";") or "=" not in line:
            continue
        key, text = line.split("=", 1)
        if key.strip():
            entries[key.strip()] = text.lstrip()
    return entries


def plain(text):
    """A text as a screen reader gets it: without the mnemonic marks, trimmed."""
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&").strip()


def lookup(entries, key, *args):
    text = entries[key].replace("%w%", "\n")
    for i, a in enumerate(args, 1):
        text = text.replace("%%s%d%%" % i, a)
    return plain(text)


def value_pattern(value):
    """A shipped text with placeholders as a pattern of what it shows once filled in, or None
    when it has too little fixed text to tell it from anything else."""
    parts = PLACEHOLDER.split(plain(value))
    if sum(len(re.sub(r"[^A-Za-zÀ-ÿ]", "", p)) for p in parts) < 4:
        return None
    return re.compile(".*?".join(re.escape(p) for p in parts), re.DOTALL)


class Checker:
    def __init__(self, french, english):
        self.french, self.english = french, english
        self.keys = {k.lower() for k in french} | {k.lower() for k in english}
        self.families = {re.split(r"[\\.]", k)[0].lower() for k in self.keys if "\\" in k or "." in k}
        en_plain = {plain(v) for v in english.values()}
        en_patterns = [p for p in (value_pattern(v) for v in english.values() if PLACEHOLDER.search(v)) if p]
        self.french_only, self.french_patterns, self.french_prefixes = {}, [], []
        for key, value in french.items():
            fr, en = plain(value), plain(english.get(key, ""))
            if not fr or fr == en or not re.search(r"[A-Za-zÀ-ÿ]", fr):
                continue
            if PLACEHOLDER.search(value):
                pat = value_pattern(value)
                if pat:
                    self.french_patterns.append((key, pat, en_patterns))
            elif fr not in en_plain:
                self.french_only[fr] = key
                if value.endswith(" ") and not english.get(key, "").startswith(value):
                    self.french_prefixes.append((key, value))
        self.en_plain = en_plain

    def faults(self, text, english):
        """What is wrong with one shown or spoken text, as a list of reasons."""
        out = []
        t = plain(text)
        if not t:
            return out
        if t.lower() in self.keys:
            out.append("raw key")
        for token in KEY_TOKEN.findall(t):
            low = token.lower()
            if low in self.keys and low != t.lower():
                out.append("raw key %r inside" % token)
            elif "\\" in token and low.split("\\")[0] in self.families and low not in self.keys:
                out.append("unknown key %r" % token)
        if PLACEHOLDER.search(t):
            out.append("unexpanded placeholder")
        if english and t not in FIXED_FRENCH:
            if t in self.french_only:
                out.append("French text of %r" % self.french_only[t])
            elif t not in self.en_plain:
                for key, pat, en_patterns in self.french_patterns:
                    if pat.fullmatch(t) and not any(p.fullmatch(t) for p in en_patterns):
                        out.append("French text of %r" % key)
                        break
                for key, prefix in self.french_prefixes:
                    if t.startswith(prefix) and not any(t.startswith(e) for e in self.en_plain if len(e) > 2):
                        out.append("French text of %r" % key)
                        break
        return out


def make_setup(folder, language):
    # Without a HTML help, F1 shows the text help in a window of the program's own rather than
    # handing a document to the desktop's browser.
    for name in ("Tondrial.Html", "Tondrial.Chm"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    os.makedirs(os.path.join(folder, "media"), exist_ok=True)
    for name, freq in (("a440", 440), ("b660", 660), ("c880", 880)):
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16",
                        os.path.join(folder, "media", name + ".wav"), "synth", "60", "sine", str(freq),
                        "vol", "0.2"], check=True)
    with open(os.path.join(folder, "ProfilDefault.M3U"), "w", newline="") as f:
        f.write("#EXTM3U\r\nmedia/a440.wav\r\nmedia/b660.wav\r\nmedia/c880.wav\r\n")
    with open(os.path.join(folder, "Tondrial.ini"), "w", encoding="utf-8", newline="") as f:
        f.write("\ufeff; Nom : Tondrial\r\nMainWindowZ = 0\r\nMainWindowW = 800\r\nMainWindowH = 600\r\n"
                + ("MainLang = %s\r\n" % language if language else "")
                + "Output.Name = Output\r\nOutput.UseDefault = Off\r\n"
                "MonitorDevice.Name = Monitor\r\nMonitorDevice.UseDefault = Off\r\n"
                "Output.Volume = 60\r\n"
                "Main\\Path.MyMusicFolder = %s/\r\n" % os.path.join(folder, "media"))


def top_windows(pyatspi):
    """The program's top-level accessible windows."""
    out = []
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.name != "tondrial":
            continue
        for j in range(app.childCount):
            win = app.getChildAtIndex(j)
            if win is not None:
                out.append(win)
    return out


def main_frame(pyatspi, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        for win in top_windows(pyatspi):
            if is_main(win.name):
                return win
        time.sleep(0.3)
    raise AssertionError("the main window never appeared on the accessibility bus")


def showing(pyatspi, node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def texts_of(pyatspi, root, what="all"):
    """Every name, description and text a screen reader can read below a node."""
    out = []
    with_body = what != "frame"
    for node in walk(root):
        try:
            role = node.getRoleName()
            if what == "no list" and role in ("table cell", "tree item", "list item"):
                continue
            for t in (node.name, node.description):
                if t:
                    out.append(t)
            if role in ("text", "entry", "label", "spin button", "combo box", "paragraph"):
                try:
                    text = node.queryText()
                except NotImplementedError:
                    continue
                value = text.getText(0, text.characterCount)
                multi = node.getState().contains(pyatspi.STATE_MULTI_LINE)
                if value and (with_body or not multi):
                    out.extend(value.split("\n") if multi else [value])
        except Exception:  # a node that went away while we read it
            continue
    return out


def selected_child(pyatspi, node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and child.getState().contains(pyatspi.STATE_SELECTED):
            return child
    return None


def menu_bar(frame):
    # Near the top of the frame: no need to walk the play list for it.
    return next((n for n in walk(frame, limit=3) if n.getRoleName() == "menu bar"), None)


def open_menu_path(desk, pyatspi, frame, path, lang, activate=True):
    """Walks the menu bar by keyboard, as a user does: Alt and the File menu's letter, arrows to
    each step of a path of text keys (an int picks by position), then Return on the last one
    (or, when not activating, leaves the last submenu open). False when a step is missing."""
    bar = menu_bar(frame)
    if bar is None:
        return False
    file_text = lang["Menu.File"]
    desk.xdotool("key", "alt+" + file_text[file_text.index("&") + 1].lower())
    node = bar
    for depth, step in enumerate(path):
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        if isinstance(step, int):
            target = children[step] if step < len(children) else None
        else:
            want = lookup(lang, step)
            target = next((c for c in children if c is not None and c.name == want), None)
        if target is None:
            desk.xdotool("key", "Escape", "Escape", "Escape", "Escape")
            return False
        move = "Right" if depth == 0 else "Down"
        for _ in range(len(children) + 2):
            time.sleep(0.15)
            current = selected_child(pyatspi, node)
            if current is not None and current.name == target.name and \
                    children.index(current) == children.index(target):
                break
            desk.xdotool("key", move)
        else:
            desk.xdotool("key", "Escape", "Escape", "Escape", "Escape")
            return False
        if depth == 0:
            node = target
            continue
        if depth < len(path) - 1:
            desk.xdotool("key", "Right")
            node = target
        elif target.getRoleName() == "menu":
            desk.xdotool("key", "Right")
        elif activate:
            desk.xdotool("key", "Return")
    time.sleep(0.3)
    return True


def active_title(desk):
    ids = desk.xdotool("getactivewindow")
    if not ids:
        return ""
    r = subprocess.run(["xdotool", "getwindowname", ids[0]], env=desk.env, capture_output=True, text=True)
    return r.stdout.strip()


def covering(pyatspi):
    """The program's windows and popup menus shown over the main window."""
    return [w for w in top_windows(pyatspi) if not is_main(w.name or "") and showing(pyatspi, w)]


def back_to_main(desk, pyatspi, win, timeout=10):
    """Escape until the main window is active and uncovered, its menus closed (the close box for
    a window that Escape does not close); False when it stays covered."""
    frame = main_frame(pyatspi)
    deadline = time.time() + timeout
    tries = 0
    while time.time() < deadline:
        title = active_title(desk)
        if is_main(title) and not covering(pyatspi) and selected_child(pyatspi, menu_bar(frame)) is None:
            return True
        tries += 1
        desk.xdotool("key", "alt+F4" if tries > 2 and title and not is_main(title) else "Escape")
        time.sleep(0.5)
    desk.xdotool("windowactivate", "--sync", win)
    return is_main(active_title(desk)) and not covering(pyatspi) and selected_child(pyatspi, menu_bar(frame)) is None


def run_language(desk, pyatspi, pulse, language, checker):
    french, english = checker.french, checker.english
    lang = english if language else french
    is_english = bool(language)
    name = language or "français"
    found = []  # (where, text, reasons)
    skipped = []

    def check(where, texts):
        for t in texts:
            for reason in checker.faults(t, is_english):
                found.append((where, t, reason))

    speech = SpeechCapture()
    reader = FakeScreenReader()
    prog = Program(BINARY, DATA)
    make_setup(prog.folder, language)
    try:
        env = dict(speech.client_env(), NO_AT_BRIDGE="0", SDL_AUDIODRIVER="pulseaudio", **pulse.client_env())
        prog.start(desk, "-portable", extra_env=env)
        output = prog.chunks
        win = desk.wait_window("^%s$" % re.escape(MAIN_TITLE))
        assert win, "no main window"
        desk.xdotool("windowactivate", "--sync", win)
        frame = main_frame(pyatspi)

        # The main window as it stands, menus included (GTK exposes closed menus too).
        main_texts = texts_of(pyatspi, frame)
        assert lookup(lang, "Menu.File") in main_texts, main_texts[:40]
        assert lookup(lang, "Main\\Button.Play") in main_texts, main_texts[:40]
        check("main window", main_texts)
        menus = [n for n in walk(frame) if n.getRoleName() in ("menu", "menu item", "check menu item")]
        print("%s: %d texts in the main window, %d menus and items" % (name, len(main_texts), len(menus)))

        # Screenshots of open menus: File with its Open submenu, Output with its Volume submenu.
        os.makedirs(SHOTS, exist_ok=True)
        shot_tag = "english" if is_english else "francais"
        for n, path in enumerate((("Menu.File", "Menu\\File.Open"), ("Menu.Output", "Menu\\Output.Volume"))):
            assert open_menu_path(desk, pyatspi, frame, path, lang, activate=False), path
            time.sleep(0.5)
            open_texts = texts_of(pyatspi, frame)
            check("open menu", open_texts)
            path = os.path.join(SHOTS, "languages-%s-menu%d.png" % (shot_tag, n + 1))
            desk.screenshot(path)
            print("screenshot:", path)
            desk.xdotool("key", "Escape", "Escape", "Escape")
            time.sleep(0.4)
        back_to_main(desk, pyatspi, win)

        # Start playing, then the keys that speak. (The track menu is read below, when open; the
        # systray menu needs a notification area, which this desktop has not.)
        desk.xdotool("key", "Home", "Return")
        time.sleep(1.5)
        for k in SPEAKING_KEYS:
            desk.xdotool("key", "--delay", "100", *k.split())
            time.sleep(0.35)
        speech.wait_for(lambda l: len(l) >= 10, timeout=10)
        check("main window while playing", texts_of(pyatspi, frame))

        # Every child window that opens from the main window, with a track on the Output (the
        # profile keys above stopped it).
        desk.xdotool("key", "--delay", "100", "Home", "Return")
        time.sleep(1.0)
        for wname, (how, opener), title_key, what in WINDOWS:
            if not back_to_main(desk, pyatspi, win):
                raise AssertionError("the main window stays covered before %r: %r" % (wname, active_title(desk)))
            if how == "key":
                desk.xdotool("key", opener)
            else:
                if not open_menu_path(desk, pyatspi, frame, opener, lang):
                    skipped.append((wname, "menu item not found"))
                    print("%s: %s skipped, menu item not found" % (name, wname))
                    continue
            deadline = time.time() + 5
            title = ""
            while time.time() < deadline:
                title = active_title(desk)
                if title and not is_main(title):
                    break
                time.sleep(0.2)
            if not title or is_main(title):
                # Popup menus take the keyboard without an X window of their own becoming active.
                popups = covering(pyatspi)
                if not popups:
                    skipped.append((wname, "nothing opened"))
                    print("%s: %s skipped, nothing opened" % (name, wname))
                    continue
                title = popups[0].name
            time.sleep(0.8)  # let the window fill itself
            texts = [title]
            for w in covering(pyatspi):
                texts += texts_of(pyatspi, w, what)
            if title_key:
                want = value_pattern(lang[title_key]) if PLACEHOLDER.search(lang[title_key]) else None
                ok = want.fullmatch(title) if want else title == lookup(lang, title_key)
                if not ok:
                    found.append((wname, title, "title is not the text of %r" % title_key))
            check(wname, texts)
            print("%s: %s %r, %d texts" % (name, wname, title, len(texts)))
        back_to_main(desk, pyatspi, win)
        for k in LAST_KEYS:
            desk.xdotool("key", k)
            time.sleep(0.35)
        time.sleep(1.0)
        with speech.lock:
            spoken = list(speech.lines)
        print("%s: spoken %r" % (name, spoken))
        assert len(spoken) >= 10, "too few announcements: %r" % spoken
        assert any(s.startswith(lookup(lang, "Say.Volume")) for s in spoken), spoken
        assert lookup(lang, "Say.CantDoPause") in spoken, spoken
        # Shift+0 is a digit key with Shift, whatever the toolkit makes of it.
        assert lookup(lang, "Effect\\Name.NoEffect") in spoken, spoken
        check("spoken", spoken)
        desk.xdotool("key", "alt+F4")
        code = prog.proc.wait(60)
        assert code == 0, "exit code %d\n%s" % (code, b"".join(output).decode(errors="replace")[-5000:])
    except BaseException:
        desk.screenshot(os.path.join(SHOTS, "languages-failure.png"))
        print("screenshot at the failure:", os.path.join(SHOTS, "languages-failure.png"))
        raise
    finally:
        prog.cleanup()
        reader.close()
        speech.close()
    return found, skipped


def main():
    lng = {os.path.basename(p)[:-4].lower(): read_lng(p) for p in glob.glob(os.path.join(DATA, "Lang", "*.Lng"))}
    assert "français" in lng and "english" in lng, sorted(lng)
    checker = Checker(lng["français"], lng["english"])
    # The checker itself: what it must catch and what it must let through.
    for text, english in (("Menu\\File.Open", False), ("menu.file", False), ("Profil %s1%", False),
                          ("Ligne%w%deux", False), ("Voir Say.Volume ici", False), ("Lecture", True),
                          ("Profil Musique", True), ("Hauteur 2", True), ("Pistes ajoutées : 3", True)):
        assert checker.faults(text, english), "the checker lets %r through" % text
    for text in ("Play", "Pause", "Volume 80%", "Profile Music", "Tracks added: 3", "a440.wav", "Tondrial.ini"):
        assert not checker.faults(text, True), "the checker rejects %r: %s" % (text, checker.faults(text, True))
    launcher = start_accessibility_bus()
    import pyatspi  # after the bus exists
    # The program built with the sanitizers can be busy for longer than the 0.8 s an accessibility
    # call waits by default (a window being built, a file being read).
    pyatspi.setTimeout(10000, 30000)
    pulse = PulseServer()
    failures = []
    try:
        with Desktop() as desk:
            for language in (None, "english"):
                t0 = time.time()
                found, skipped = run_language(desk, pyatspi, pulse, language, checker)
                name = language or "français"
                for wname, why in skipped:
                    print("%s: skipped %s (%s)" % (name, wname, why))
                for where, text, reason in found:
                    failures.append("%s, %s: %r: %s" % (name, where, text, reason))
                print("%s: done in %.0f s" % (name, time.time() - t0))
    finally:
        pulse.close()
        launcher.terminate()
    assert not failures, "\n".join(failures)
    print("e2e languages: ok")


if __name__ == "__main__":
    main()
