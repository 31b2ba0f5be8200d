#!/usr/bin/env python3
"""Key coverage of the shipped language files.

Scans src/ for the keys the program looks up and compares them with data/Lang/*.Lng:
  - a key the code looks up that a shipped file lacks fails (it would show as the raw key);
  - a shipped key that nothing in src/ uses fails, unless tests/unit/lang/pending-keys.txt
    lists it (keys of windows not built yet); a pending key that the code does use fails
    too, so the list shrinks as the features land.
Also checks the texts against what the code gives them: the "%sN%" placeholders, the
labels that are joined directly to a value, empty texts and leftover "(fr)" markers.

Usage: lang_keys.py [--root REPO]
"""
import argparse
import os
import re
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
LANGS = ["français", "english"]

# Keys built at run time from a fixed prefix. Seeing the prefix as a literal anywhere in
# src/ means the program looks up every member of the family.
KEY_NAMES = ["Add", "Alt", "Apps", "Back", "Capital", "Clear", "Ctrl", "Decimal", "Delete", "Divide",
             "Down", "End", "Escape", "Home", "Insert", "Left", "Multiply", "Next", "NoKey", "Numlock",
             "Pad", "Pause", "Pow2", "Print", "Prior", "Return", "Right", "Separator", "Shift",
             "Snapshot", "Space", "Subtract", "Tab", "Up", "Win"]
DIGITS = [str(d) for d in range(1, 10)]
FAMILIES = {
    "Key.": KEY_NAMES,
    "Main\\Shortcut.OutputEffect": DIGITS,
    "Main\\Shortcut.MonitorEffect": DIGITS,
    "Effects\\APF.": ["Gain", "Delay"],
    "Effects\\AutoWah.": ["fDryMix", "fWetMix", "\tfFeedback", "fRate", "\tfRange", "fFreq"],
    "Effects\\Chorus.": ["fDryMix", "fWetMix", "fFeedback", "fMinSweep", "fMaxSweep", "fRate"],
    "Effects\\Echo2.": ["fDryMix", "\tfWetMix", "fFeedback", "\tfDelay"],
    "Effects\\Reverb.": ["Level", "Deelay"],
    "Effects\\Panel.": ["General", "APF", "AutoWah", "Chorus", "Echo2", "Reverb"],
    "Effects\\Check.": ["APF", "AutoWah", "Chorus", "Echo2", "Reverbe", "TestOnMonitor", "TestOnOutput"],
    "Effects\\Combo.": ["APFModel", "AutoWahModel", "ChorusModel", "Echo2Model"],
    "Profil.": ["Default", "Musik", "Book", "Radio"],
    "State.": ["Playing", "Pause", "Played", "FadeOut", "BookReaded"],
}

# First component of every language key; settings keys share some of them.
KEY_FAMILIES = {"About", "CNV", "Compressor", "Config", "Effect", "Effects", "Explore", "Explorr", "Filter",
                "Flag", "Global", "Help", "Key", "ListIcon", "Main", "Menu", "Monitor", "MonitorConfig",
                "Msg", "Output", "OutputBoard", "Played", "Pref", "Profil", "Property", "RequestButton",
                "RequestCombo", "Say", "State", "Systray", "Time", "Title", "Track", "Unit", "WMP",
                "WhatNews"}
BARE_KEYS = {"More", "Less"}
KEY_SHAPE = re.compile(r"^[A-Za-z0-9]+(\\[A-Za-z0-9]+)?(\.\t?[A-Za-z0-9]+)*$")

# The texts that receive a value, and which placeholders they must hold.
PLACEHOLDERS = {
    "CNV\\Msg.NewVersion": {1}, "Msg\\Settings.Elsewhere": {1}, "Msg\\Save.Failed": {1}, "Effects\\Title.Edit": {1}, "Explore\\Button.AddAllFile": {1},
    "Menu\\Effects.Number": {1}, "Property\\Desc.Duration": {1}, "Property\\Desc.File": {1},
    "Property\\Desc.Path": {1}, "Property\\Title.Edit": {1}, "Say.Joined": {1}, "Say.MovedDown": {1},
    "Say.MovedUp": {1}, "Say.NbAdded": {1}, "Say.Profil": {1}, "State.BookReaded": {1},
    "Title.ExploreFile": {1}, "Say.Chapter": {1, 2, 3}, "Say.ChapterNumber": {1, 2}, "Say.ChapterUntitled": {1},
    "Say.SleepIn": {1}, "Say.SleepLeft": {1}, "Time.Minutes": {1}, "Time.SecondsCount": {1},
}
# Texts followed directly by a value or a name (a spoken context label, "Pad" + digit…):
# without a final space the two words run together.
JOINED = {"Say.Volume", "Say.Tempo", "Say.Pitch", "Say.Position", "Say.EffectOnOutput",
          "Say.EffectOnMonitor", "Systray\\Menu.OnTop", "Key.Pad", "Explore\\Name.Volume", "Filter.File"}

PLACEHOLDER = re.compile(r"%s(\d)%", re.IGNORECASE)


def read_lng(path):
    """Entries of a language file as the program reads it: {key: text}, file order kept."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xff\xfe"):
        text = raw[2:].decode("utf-16-le")
    elif raw.startswith(b"\xef\xbb\xbf"):
        text = raw[3:].decode("utf-8")
    else:
        text = raw.decode("cp1252")
    entries = {}
    for line in re.split(r"\r\n|\r|\n", text):
        if not line or line.startswith(";"):
            continue
        key, _, value = line.partition("=")
        key = key.strip(" ")
        if key:
            entries[key] = value.lstrip(" ")
    return entries


def strip_source(code):
    """The code with comments removed and every string literal replaced by "@S<n>@"; the literals."""
    out, lits = [], []
    i, n = 0, len(code)
    while i < n:
        c = code[i]
        if code.startswith("//", i):
            j = code.find("\n", i)
            i = n if j < 0 else j
        elif code.startswith("/*", i):
            j = code.find("*/", i + 2)
            i = n if j < 0 else j + 2
        elif c == "R" and code.startswith('R"', i) and (i == 0 or not (code[i - 1].isalnum() or code[i - 1] == "_")):
            j = code.find("(", i)
            delim = code[i + 2:j]
            end = code.find(")" + delim + '"', j)
            lits.append(code[j + 1:end])
            out.append("@S%d@" % (len(lits) - 1))
            i = end + len(delim) + 2
        elif c == '"':
            j, buf = i + 1, []
            while j < n and code[j] != '"':
                if code[j] == "\\" and j + 1 < n:
                    e = code[j + 1]
                    buf.append({"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "'": "'", "0": "\0"}.get(e, "\\" + e))
                    j += 2
                else:
                    buf.append(code[j])
                    j += 1
            lits.append("".join(buf))
            out.append("@S%d@" % (len(lits) - 1))
            i = j + 1
        elif c == "'":
            j = i + 1
            while j < n and code[j] != "'":
                j += 2 if code[j] == "\\" else 1
            out.append("' '")
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out), lits


def split_args(code, start):
    """Arguments of the call whose "(" is at start."""
    depth, args, cur = 0, [], []
    for ch in code[start:]:
        if ch in "([{":
            depth += 1
            if depth == 1:
                continue
        elif ch in ")]}":
            depth -= 1
            if depth == 0:
                args.append("".join(cur))
                return args
        elif ch == "," and depth == 1:
            args.append("".join(cur))
            cur = []
            continue
        cur.append(ch)
    return args


def is_key_literal(s):
    if s in BARE_KEYS:
        return True
    if not KEY_SHAPE.match(s):
        return False
    head = re.split(r"[\\.]", s, maxsplit=1)[0]
    return head in KEY_FAMILIES and s != head


class Scan:
    """What src/ looks up."""

    def __init__(self, root):
        self.looked_up = {}      # lower key -> key as written in the code
        self.arity = {}          # lower key -> most substitutions passed by a direct call
        self.literals = set()    # every literal of src/, lower-cased
        self.problems = []
        files = []
        for base, _, names in os.walk(os.path.join(root, "src")):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    files.append(os.path.join(base, name))
        settings = set()
        parsed = {}
        for path in sorted(files):
            with open(path, encoding="utf-8") as f:
                code, lits = strip_source(f.read())
            parsed[path] = (code, lits)
            self.literals.update(l.lower() for l in lits)
            for m in re.finditer(r"\bAddMW_(?:Flag|Lont|String)\s*\(\s*@S(\d+)@", code):
                settings.add(lits[int(m.group(1))].lower())
        for path, (code, lits) in parsed.items():
            rel = os.path.relpath(path, root)
            indirect = False
            for m in re.finditer(r"(?<![\w:.>])Lang\s*\(", code):
                args = split_args(code, m.end() - 1)
                if not args:
                    continue
                first = args[0].strip()
                if re.fullmatch(r"(@S\d+@\s*)+", first):
                    key = "".join(lits[int(x)] for x in re.findall(r"@S(\d+)@", first))
                    self.add(key)
                    k = key.lower()
                    self.arity[k] = max(self.arity.get(k, 0), len(args) - 1)
                else:
                    head = re.match(r"(?:std::string\s*\(\s*)?@S(\d+)@", first)
                    if head and lits[int(head.group(1))] not in FAMILIES:
                        self.problems.append("%s: key built from the unknown prefix \"%s\": add its family to "
                                             "FAMILIES in %s" % (rel, lits[int(head.group(1))], os.path.basename(__file__)))
                    indirect = True
            if indirect or rel.replace(os.sep, "/") == "src/access/ShortcutTable.cpp":
                # Keys held in tables and passed to Lang through a variable.
                for lit in lits:
                    if is_key_literal(lit) and lit.lower() not in settings and lit not in FAMILIES:
                        self.add(lit)
            for lit in lits:
                for member in FAMILIES.get(lit, []):
                    self.add(lit + member)

    def add(self, key):
        self.looked_up.setdefault(key.lower(), key)

    def uses(self, key):
        k = key.lower()
        return k in self.looked_up or k in self.literals


def load_pending(root):
    path = os.path.join(root, "tests", "unit", "lang", "pending-keys.txt")
    keys = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for line in lines:
        line = line.rstrip("\n")
        if line and not line.startswith("#"):
            keys.append(line.replace("\\t", "\t"))
    return keys


class LangKeys(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scan = Scan(ROOT)
        cls.files = {name: read_lng(os.path.join(ROOT, "data", "Lang", name + ".Lng")) for name in LANGS}
        cls.pending = load_pending(ROOT)

    def test_scan_understood_the_sources(self):
        self.assertEqual(self.scan.problems, [])
        # The scan must see the main window and the menus, or it sees nothing at all.
        for key in ("menu.file", "main\\button.play", "output\\shortcut.pause", "main\\shortcut.outputeffect9"):
            self.assertIn(key, self.scan.looked_up)

    def test_every_looked_up_key_is_shipped(self):
        for name, entries in self.files.items():
            have = {k.lower() for k in entries}
            missing = sorted(k for low, k in self.scan.looked_up.items() if low not in have)
            self.assertEqual(missing, [], "keys looked up by the program but missing from %s.Lng" % name)

    def test_every_shipped_key_is_used_or_pending(self):
        pending = {k.lower() for k in self.pending}
        for name, entries in self.files.items():
            unused = sorted(repr(k) for k in entries if not self.scan.uses(k) and k.lower() not in pending)
            self.assertEqual(unused, [], "keys of %s.Lng that nothing uses (delete them, or list them in "
                                         "pending-keys.txt while their window is being built)" % name)

    def test_pending_keys_are_honest(self):
        used = sorted(repr(k) for k in self.pending if self.scan.uses(k))
        self.assertEqual(used, [], "pending keys that the code uses now: remove them from pending-keys.txt")
        lows = [k.lower() for k in self.pending]
        self.assertEqual(len(lows), len(set(lows)), "pending-keys.txt lists a key twice")
        for name, entries in self.files.items():
            have = {k.lower() for k in entries}
            self.assertEqual(sorted(repr(k) for k in self.pending if k.lower() not in have), [],
                             "pending keys without a text in %s.Lng" % name)

    def test_languages_have_the_same_keys(self):
        fr, en = ({k.lower() for k in e} for e in self.files.values())
        self.assertEqual(sorted(fr - en), [], "French keys without an English text")
        self.assertEqual(sorted(en - fr), [], "English keys without a French text")

    def test_texts_fit_what_the_code_gives_them(self):
        expected = {k.lower(): v for k, v in PLACEHOLDERS.items()}
        joined = {k.lower() for k in JOINED}
        for name, entries in self.files.items():
            lows = [k.lower() for k in entries]
            self.assertEqual(len(lows), len(set(lows)), "%s.Lng holds a key twice (keys ignore case)" % name)
            for key, text in entries.items():
                low = key.lower()
                where = "%s.Lng %r = %r" % (name, key, text)
                if key == "MWT-Author":
                    continue
                self.assertTrue(text.strip(), "empty text shows the raw key: " + where)
                self.assertNotIn("(fr)", text.lower(), "a shipped text carries the French marker: " + where)
                got = {int(d) for d in PLACEHOLDER.findall(text)}
                self.assertEqual(got, expected.get(low, set()), "placeholders: " + where)
                if low in self.scan.arity and got:
                    self.assertLessEqual(max(got), self.scan.arity[low],
                                         "the code passes fewer values than the text expects: " + where)
                if low in joined:
                    self.assertTrue(text.endswith(" "), "text joined to a value must end with a space: " + where)
                else:
                    self.assertEqual(text, text.rstrip(), "stray trailing space: " + where)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=ROOT)
    args, rest = parser.parse_known_args()
    ROOT = os.path.abspath(args.root)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
