#!/usr/bin/env python3
"""The files shipped in data/ against their sources, and in the form the program reads them.

  - data/Lang/*.Lng hold exactly the entries of scripts/lang/*.txt, in the saved-file layout;
  - the help, licence and history in data/ are what scripts/write_text.py makes of scripts/text/;
  - data/Tondrial.bmp is what scripts/draw_icon.py draws, a 32 x 32 24-bit bitmap;
  - the help names every default shortcut of src/access/ShortcutTable.cpp.

Usage: lang_data.py [--root REPO]
"""
import argparse
import os
import re
import struct
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
SOURCES = {"français": "francais.txt", "english": "english.txt"}


def source_entries(path):
    """The entries scripts/write_lng.py writes from a UTF-8 list."""
    entries = {}
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if not line or line.startswith(";") or "=" not in line:
                continue
            key, text = line.split("=", 1)
            entries[key.strip()] = text.lstrip()
    return entries


def utf16_lines(raw):
    return raw[2:].decode("utf-16-le").split("\r\n")


def import_script(name):
    sys.path.insert(0, os.path.join(ROOT, "scripts"))
    try:
        return __import__(name)
    finally:
        sys.path.pop(0)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ShippedData(unittest.TestCase):
    def test_language_files_match_their_sources(self):
        for name, source in SOURCES.items():
            with self.subTest(language=name):
                raw = read(os.path.join(ROOT, "data", "Lang", name + ".Lng"))
                self.assertTrue(raw.startswith(b"\xff\xfe"), "UTF-16 LE byte-order mark")
                text = raw[2:].decode("utf-16-le")
                self.assertNotIn("\n", text.replace("\r\n", ""), "every line ends in CR LF")
                lines = utf16_lines(raw)
                self.assertEqual(lines[0], "; Lang for Tondrial V:0,4,1210,2500")
                self.assertRegex(lines[1], r"^; \d{4}/\d\d/\d\d \d\d:\d\d:\d\d$")
                self.assertEqual(lines[2], "; Lang = " + name)
                self.assertTrue(lines[3].startswith("MWT-Author="))
                self.assertEqual(lines[4], "")
                body = [l for l in lines[5:] if l]
                keys = [l.split("=", 1)[0] for l in body]
                self.assertEqual(keys, sorted(keys, key=lambda k: k.encode("utf-16-be")),
                                 "keys in ordinal order, as the program saves them")
                self.assertTrue(lines[3][len("MWT-Author="):].strip(), "the translator is named")
                shipped = dict(l.split("=", 1) for l in body)
                want = source_entries(os.path.join(ROOT, "scripts", "lang", source))
                self.assertEqual(shipped, want, "data/Lang/%s.Lng is out of date: run scripts/write_lng.py "
                                                "(see its docstring)" % name)

    def test_text_files_match_their_sources(self):
        write_text = import_script("write_text")
        for target, data in write_text.render(ROOT).items():
            with self.subTest(file=target):
                self.assertTrue(read(os.path.join(ROOT, "data", target)) == data,
                                 "data/%s is out of date: run scripts/write_text.py" % target)
        # What the program relies on: UTF-16 LE text files, "%1" standing for the product name.
        for target in ("Tondrial-Help.Txt", "License.Txt", "Historique.txt"):
            self.assertTrue(read(os.path.join(ROOT, "data", target)).startswith(b"\xff\xfe"), target)
        licence = read(os.path.join(ROOT, "data", "License.Txt"))[2:].decode("utf-16-le")
        self.assertIn("%1", licence)
        history = read(os.path.join(ROOT, "data", "Historique.txt"))[2:].decode("utf-16-le")
        self.assertIn("0,4,1210,2500", history)

    def test_help_page_is_navigable(self):
        html = read(os.path.join(ROOT, "data", "Tondrial.Html")).decode("utf-8")
        self.assertIn('<html lang="fr">', html)
        self.assertEqual(html.count("<h1>"), 1)
        parts = re.findall(r'<h2 id="(partie\d+)">', html)
        self.assertGreaterEqual(len(parts), 8)
        for part in parts:
            self.assertIn('href="#%s"' % part, html, "table of contents entry")
        self.assertEqual(html.count("<ul>"), html.count("</ul>"))

    def test_icon_is_the_drawn_32x32_24bit_bitmap(self):
        draw_icon = import_script("draw_icon")
        raw = read(os.path.join(ROOT, "data", "Tondrial.bmp"))
        self.assertTrue(raw == draw_icon.bmp_bytes(), "data/Tondrial.bmp is out of date: run scripts/draw_icon.py")
        magic, size, _, _, offset = struct.unpack_from("<2sIHHI", raw, 0)
        hsize, width, height, planes, bpp, compression = struct.unpack_from("<IiiHHI", raw, 14)
        self.assertEqual((magic, size, offset), (b"BM", len(raw), 54))
        self.assertEqual((hsize, width, height, planes, bpp, compression), (40, 32, 32, 1, 24, 0))
        colours = {raw[i:i + 3] for i in range(offset, len(raw), 3)}
        self.assertGreaterEqual(len(colours), 3, "a picture, not a blank square")

    def test_windows_icon_holds_every_size_within_the_file(self):
        # What the Windows build's resource compiler reads: a broken directory gives a program
        # without its icon and no build error.
        draw_icon = import_script("draw_icon")
        raw = draw_icon.ico_bytes()
        reserved, kind, count = struct.unpack_from("<HHH", raw, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 4))
        end = 6 + 16 * count
        sizes = []
        for i in range(count):
            w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", raw, 6 + 16 * i)
            n = w or 256
            sizes.append(n)
            self.assertEqual((h or 256, colours, planes, bpp), (n, 0, 1, 32))
            self.assertEqual(offset, end, "images follow each other without gaps")
            end = offset + length
            image = raw[offset:offset + length]
            if n == 256:
                self.assertTrue(image.startswith(b"\x89PNG\r\n\x1a\n"))
                self.assertEqual(struct.unpack_from(">II", image, 16), (256, 256))
            else:
                hsize, width, height, _, ibpp = struct.unpack_from("<IiiHH", image, 0)
                self.assertEqual((hsize, width, height, ibpp), (40, n, 2 * n, 32))
                self.assertEqual(length, 40 + n * n * 4 + (n + 31) // 32 * 4 * n, "colour and mask rows")
                # The yellow of the speaker, fully opaque.
                self.assertIn(bytes((0, 215, 255, 255)), image[40:40 + n * n * 4])
        self.assertEqual(end, len(raw))
        self.assertEqual(sizes, [16, 32, 48, 256])

    def test_help_names_every_default_shortcut(self):
        french = source_entries(os.path.join(ROOT, "scripts", "lang", "francais.txt"))
        names = {8: "Back", 9: "Tab", 12: "Clear", 13: "Return", 19: "Pause", 20: "Capital", 27: "Escape",
                 32: "Space", 33: "Prior", 34: "Next", 35: "End", 36: "Home", 37: "Left", 38: "Up",
                 39: "Right", 40: "Down", 42: "Print", 44: "Snapshot", 45: "Insert", 46: "Delete",
                 93: "Apps", 106: "Multiply", 107: "Add", 108: "Separator", 109: "Subtract",
                 110: "Decimal", 111: "Divide", 144: "Numlock", 222: "Pow2"}

        def key_name(code):
            # The key's name as the French menus show it.
            out = ""
            for bit, mod in ((262144, "Alt"), (131072, "Ctrl"), (65536, "Shift"), (1048576, "Win")):
                if code & bit:
                    out += french["Key." + mod] + "+"
            vk = code & 255
            if 65 <= vk <= 90 or 48 <= vk <= 57:
                part = chr(vk)
            elif 112 <= vk <= 135:
                part = "F%d" % (vk - 111)
            else:
                part = french["Key." + names[vk]] if vk in names else ""
            return out + part if part else out[:-1]

        with open(os.path.join(ROOT, "src", "access", "ShortcutTable.cpp"), encoding="utf-8") as f:
            table = f.read()
        codes = {int(c) for c in re.findall(r'\{"[^"]+", \d+, (\d+), kMenu', table) if int(c)}
        codes |= {65584 + 1, 65584 + 9}  # the numbered effect keys, named as a range "Maj+1 à Maj+9"
        self.assertGreater(len(codes), 30)
        with open(os.path.join(ROOT, "scripts", "text", "aide.txt"), encoding="utf-8") as f:
            help_text = f.read()
        missing = sorted(key_name(c) for c in codes if not re.search(re.escape(key_name(c)) + r"(?![\w+])", help_text))
        self.assertEqual(missing, [], "default shortcuts the help does not name")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=ROOT)
    args, rest = parser.parse_known_args()
    ROOT = os.path.abspath(args.root)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
