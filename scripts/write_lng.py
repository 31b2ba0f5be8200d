#!/usr/bin/env python3
"""Writes a language file in the program's own format from a UTF-8 "key=text" list.

Usage: write_lng.py SOURCE.txt OUTPUT.Lng LANGUAGE AUTHOR
The output is UTF-16 LE with a byte-order mark, CR LF line ends, the header comments,
the author line first and the keys in ordinal order, as the program's own editor saves it.

The shipped files data/Lang/*.Lng are generated with it from the UTF-8 lists kept outside
data/ (so they are not shipped):
  scripts/write_lng.py scripts/lang/francais.txt data/Lang/français.Lng français "Équipe Tondrial"
  scripts/write_lng.py scripts/lang/english.txt data/Lang/english.Lng english "Tondrial team"
Edit the lists, never the .Lng files; the lang tests fail when the two disagree.
Trailing spaces of a text are kept (context labels such as "Say.Volume" rely on them).
"""
import sys
import time


def main():
    src, out, lang, author = sys.argv[1:5]
    entries = {}
    with open(src, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith(";") or "=" not in line:
                continue
            key, text = line.split("=", 1)
            entries[key.strip()] = text.lstrip()
    lines = [
        "; Lang for Tondrial V:0,4,1210,2500",
        "; " + time.strftime("%Y/%m/%d %H:%M:%S"),
        "; Lang = " + lang,
        "MWT-Author=" + author,
        "",
    ]
    # Ordinal order of UTF-16 code units, as the program sorts.
    for key in sorted(entries, key=lambda k: k.encode("utf-16-be")):
        lines.append(key + "=" + entries[key])
    data = "\r\n".join(lines) + "\r\n"
    with open(out, "wb") as f:
        f.write(b"\xff\xfe" + data.encode("utf-16-le"))


if __name__ == "__main__":
    main()
