#!/usr/bin/env python3
"""Writes the text files shipped beside the program from their UTF-8 sources.

The program reads "Tondrial-Help.Txt", "License.Txt" and "Historique.txt" as UTF-16 little-endian
text, so they are written with the byte-order mark FF FE and CR LF line ends. Their sources are
plain UTF-8 files in scripts/text/ (kept outside data/ so they are not shipped); git stores the
generated files as UTF-8 too (see .gitattributes), so both diff as readable text.
The help is written once (scripts/text/aide.txt, a small line markup described below) and
becomes both "Tondrial-Help.Txt" and "Tondrial.Html"; the HTML page is opened in the browser
and is UTF-8, as its <meta charset> says, with headings, a table of contents and lists.

Usage: write_text.py [REPO]      regenerates every file of FILES below into REPO/data/
Edit the sources, never the files in data/; the lang_data test fails when they disagree.
"""
import os
import sys

# source in scripts/text/ -> [(file in data/, form)]
#   "utf16": the text as it is, UTF-16 LE with its mark
#   "help-text", "help-html": the help, written once in the small markup below, as text or HTML
#   "help-html-en": the same HTML for an English help (its language and table-of-contents title)
FILES = {
    "aide.txt": [("Tondrial-Help.Txt", "help-text"), ("Tondrial.Html", "help-html")],
    "licence.txt": [("License.Txt", "utf16")],
    "historique.txt": [("Historique.txt", "utf16")],
    # English, named by the English language file (Help.FileText, Help.FileHtml, WhatNews.File).
    "help.txt": [("Tondrial-Help-English.Txt", "help-text"), ("Tondrial-English.Html", "help-html-en")],
    "history.txt": [("History.txt", "utf16")],
}

# Help markup, one element a line: "= title", "== part", "=== sub-part", "- list item",
# anything else a paragraph; empty lines only separate.


def parse_help(text):
    blocks = []  # (kind, text): h1, h2, h3, li, p
    for line in text.split("\n"):
        line = line.rstrip()
        for mark, kind in (("=== ", "h3"), ("== ", "h2"), ("= ", "h1"), ("- ", "li")):
            if line.startswith(mark):
                blocks.append((kind, line[len(mark):]))
                break
        else:
            if line:
                blocks.append(("p", line))
            elif blocks and blocks[-1][0] == "li":
                blocks.append(("end", ""))
    return blocks


def numbered(blocks):
    """Adds the part numbers ("3." and "3.2") that both forms show."""
    out, part, sub = [], 0, 0
    for kind, text in blocks:
        if kind == "h2":
            part, sub = part + 1, 0
            text = "%d. %s" % (part, text)
        elif kind == "h3":
            sub += 1
            text = "%d.%d %s" % (part, sub, text)
        out.append((kind, text))
    return out


def help_text(source):
    # Plain lines for the text viewer: a screen reader reads them one by one, so no
    # underlines or bullets that would be spoken as symbols.
    lines = []
    for kind, text in numbered(parse_help(source)):
        if kind in ("h1", "h2", "h3"):
            if lines and lines[-1] != "":
                lines.append("")
            lines += [text, ""]
        elif kind == "li":
            lines.append(text)
        elif kind == "p":
            if lines and lines[-1] != "":
                lines.append("")
            lines += [text, ""]
    while lines and lines[-1] == "":
        lines.pop()
    return "\n".join(lines) + "\n"


def help_html(source, lang="fr", contents="Sommaire"):
    import html

    def escape(t):
        return html.escape(t, quote=False)

    blocks = numbered(parse_help(source))
    title = next(t for k, t in blocks if k == "h1")
    parts = [(i, t) for i, (k, t) in enumerate(blocks) if k == "h2"]
    out = ["<!DOCTYPE html>", '<html lang="%s">' % lang, "<head>", '<meta charset="utf-8">',
           '<meta name="viewport" content="width=device-width, initial-scale=1">',
           "<title>%s</title>" % escape(title),
           "<style>body{font-family:sans-serif;font-size:1.2em;line-height:1.5;max-width:48em;margin:1em auto;"
           "padding:0 1em;color:#000;background:#fff}a{color:#00c}</style>", "</head>", "<body>"]
    in_list = False
    for i, (kind, text) in enumerate(blocks):
        if kind != "li" and in_list:
            out.append("</ul>")
            in_list = False
        if kind == "h1":
            out.append("<h1>%s</h1>" % escape(text))
        elif kind == "h2":
            if i == parts[0][0]:
                out.append('<nav aria-label="%s">' % contents)
                out.append("<h2>%s</h2>" % contents)
                out.append("<ul>")
                for j, (_, t) in enumerate(parts):
                    out.append('<li><a href="#partie%d">%s</a></li>' % (j + 1, escape(t)))
                out.append("</ul>")
                out.append("</nav>")
            n = [p[0] for p in parts].index(i) + 1
            out.append('<h2 id="partie%d">%s</h2>' % (n, escape(text)))
        elif kind == "h3":
            out.append("<h3>%s</h3>" % escape(text))
        elif kind == "li":
            if not in_list:
                out.append("<ul>")
                in_list = True
            out.append("<li>%s</li>" % escape(text))
        elif kind == "p":
            out.append("<p>%s</p>" % escape(text))
    if in_list:
        out.append("</ul>")
    out += ["</body>", "</html>"]
    return "\n".join(out) + "\n"


def convert(text, form):
    """The bytes of a shipped file: CR LF line ends; UTF-16 LE with its mark, or UTF-8 for HTML."""
    text = text.replace("\r\n", "\n").replace("\r", "\n")
    if form == "help-text":
        text = help_text(text)
    elif form == "help-html":
        text = help_html(text)
    elif form == "help-html-en":
        text = help_html(text, "en", "Contents")
    if not text.endswith("\n"):
        text += "\n"
    text = text.replace("\n", "\r\n")
    if form.startswith("help-html"):
        return text.encode("utf-8")
    return b"\xff\xfe" + text.encode("utf-16-le")


def render(root):
    """{file in data/: bytes} for every shipped text file."""
    out = {}
    for source, targets in FILES.items():
        with open(os.path.join(root, "scripts", "text", source), encoding="utf-8") as f:
            text = f.read()
        for target, form in targets:
            out[target] = convert(text, form)
    return out


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    for target, data in render(root).items():
        with open(os.path.join(root, "data", target), "wb") as f:
            f.write(data)
        print("data/" + target)


if __name__ == "__main__":
    main()
