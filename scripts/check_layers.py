#!/usr/bin/env python3
"""Checks the includes of src/ against the layer order.

A file may include headers of its own layer and of the layers below it, never of one above.
Toolkit, media and operating-system headers belong to one folder each. Inside a layer the
modules (a header with its source file) include each other without a cycle.

    check_layers.py SRC_DIR     check a tree; prints each fault, exit 1 when there is one
    check_layers.py --self-test check the checker on a small tree of known faults
"""
import os
import re
import sys
import tempfile

# Lowest first. A layer is a folder, or the files named here inside a folder that holds two
# libraries (the rest of that folder belongs to the folder's own layer).
LAYERS = [
    "platform",
    "audiolib/dsp",
    "audiolib",
    "core",
    "settings",
    "lang",
    "access",
    "app",
    "playlist",
    "audio errors",
    "effects",
    "audio",
    "mpris",
    "ui",
    "main",
]
FILES = {
    "core": ["app/" + n for n in ("AppHooks", "AppState", "Commands", "EventLog", "FileUtil",
                                  "HeadlessShell", "IniFile", "ListModel", "PathTools", "Shell",
                                  "TextUtil")],
    "audio errors": ["audio/AudioErrors"],
}

# System headers each of which only one folder may include (first part of the include path).
OWNED = {
    "wx": "ui", "gtk": "ui", "gdk": "ui", "X11": "ui",
    "libavcodec": "audiolib", "libavformat": "audiolib", "libavutil": "audiolib",
    "libswresample": "audiolib", "SDL.h": "audiolib", "SDL2": "audiolib",
    "SoundTouch.h": "audiolib", "soundtouch": "audiolib",
}
OS_HEADERS = {
    "unistd.h", "fcntl.h", "dirent.h", "sys", "signal.h", "pthread.h", "poll.h", "sched.h",
    "ucontext.h", "dlfcn.h", "pwd.h", "termios.h", "spawn.h", "syslog.h", "limits.h",
    "stdlib.h", "windows.h", "timeapi.h", "shlobj.h", "mmsystem.h", "linux",
}
# Files whose whole purpose is one system's interface beside the folder's portable code.
OS_ALLOWED = {
    "access/SpeechWindows.cpp": {"windows.h"},  # the Windows speech engine comes only with it
    "access/Speech.cpp": {"windows.h", "timeapi.h"},  # timer resolution, Windows build only
}

# Module cycles that stay, each with the reason; any other cycle (or one that grows) is a fault.
ALLOWED_CYCLES = {
    # A profile rewrites the play list's rows and files; the rows follow the profile's looping
    # and book rules and start tracks through the player port, which reads the list's tracks.
    frozenset({"playlist/PlayListFile", "playlist/PlayListView", "playlist/PlayerPort",
               "playlist/Profiles"}): "the play list and its profiles",
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(rel):
    """The layer of a path relative to src/ (without extension for the FILES table)."""
    stem = rel.rsplit(".", 1)[0]
    for layer, stems in FILES.items():
        if stem in stems:
            return layer
    if "/" not in rel:
        return "main"
    if rel.startswith("audiolib/dsp/"):
        return "audiolib/dsp"
    folder = rel.split("/", 1)[0]
    return folder if folder in LAYERS else None


def owner_folder(rel):
    return "audiolib" if rel.startswith("audiolib/") else rel.split("/", 1)[0]


def cycles(uses):
    """Strongly connected groups of more than one module (Tarjan, without recursion)."""
    index, low, stack, on_stack, groups = {}, {}, [], set(), []
    for root in sorted(uses):
        if root in index:
            continue
        work = [(root, iter(sorted(uses[root])))]
        index[root] = low[root] = len(index)
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = len(index)
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(uses.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    groups.append(sorted(group))
    return sorted(groups)


def cycle_faults(uses, first_link, allowed):
    faults = []
    for group in cycles(uses):
        if frozenset(group) in allowed:
            continue
        members = set(group)
        links = sorted(f"{first_link[(a, b)]} -> {b}" for a in group for b in uses[a] if b in members)
        faults.append("include cycle among " + ", ".join(group) + ": " + "; ".join(links))
    return faults


def check(src, allowed=None):
    allowed = ALLOWED_CYCLES if allowed is None else allowed
    faults = []
    uses, first_link = {}, {}
    rank = {name: i for i, name in enumerate(LAYERS)}
    for folder, _, names in sorted(os.walk(src)):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".c", ".hpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            module = rel.rsplit(".", 1)[0]
            uses.setdefault(module, set())
            mine = layer_of(rel)
            if mine is None:
                faults.append(f"{rel}: folder not in the layer order")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{rel}:{number}"
                    top = target.split("/", 1)[0]
                    if kind == '"' and os.path.exists(os.path.join(src, target)):
                        other = target.rsplit(".", 1)[0]
                        if other != module:
                            uses[module].add(other)
                            first_link.setdefault((module, other), rel)
                        theirs = layer_of(target)
                        if theirs is not None and rank[theirs] > rank[mine]:
                            faults.append(f"{where}: {mine} includes {target} of {theirs}, a layer above it")
                    elif top in OWNED and owner_folder(rel) != OWNED[top]:
                        faults.append(f"{where}: {target} belongs to src/{OWNED[top]}/ only")
                    elif top in OS_HEADERS and owner_folder(rel) != "platform" and \
                            top not in OS_ALLOWED.get(rel, ()):
                        faults.append(f"{where}: {target} is an operating-system header: "
                                      "call it through src/platform/")
    return faults + cycle_faults(uses, first_link, allowed)


def self_test():
    cases = {
        "platform/Files.h": "#include <unistd.h>\n",
        "app/TextUtil.h": '#include "platform/Files.h"\n',
        "app/Dispatch.h": '#include "access/Speech.h"\n',
        "access/Speech.h": '#include "app/TextUtil.h"\n',
        "settings/Settings.cpp": '#include "app/Dispatch.h"\n#include <string>\n',
        "effects/Chain.cpp": '#include "audio/AudioErrors.h"\n#include "audio/Playback.h"\n',
        "audio/AudioErrors.h": "\n",
        "audio/Playback.h": '#include "effects/Chain.h"\n',
        "effects/Chain.h": "#include <wx/string.h>\n#include <sys/stat.h>\n",
        "audiolib/dsp/Echo.h": '#include "audiolib/AudioLib.h"\n',
        "audiolib/AudioLib.h": "#include <libavcodec/avcodec.h>\n",
        "ui/Main.cpp": "#include <wx/app.h>\n#include <X11/Xlib.h>\n",
        "lang/Lang.cpp": "#include <SDL.h>\n",
        "playlist/Rows.h": "\n",
        "playlist/Rows.cpp": '#include "playlist/Rows.h"\n#include "playlist/File.h"\n',
        "playlist/File.h": '#include "playlist/Port.h"\n',
        "playlist/File.cpp": '#include "playlist/Rows.h"\n',
        "playlist/Port.h": "\n",
        "ui/Tray.cpp": '#include "ui/Frame.h"\n',
        "ui/Tray.h": "\n",
        "ui/Frame.cpp": '#include "ui/Tray.h"\n',
        "ui/Frame.h": "\n",
    }
    expected = [
        "audiolib/dsp/Echo.h:1: audiolib/dsp includes audiolib/AudioLib.h of audiolib, a layer above it",
        "effects/Chain.cpp:2: effects includes audio/Playback.h of audio, a layer above it",
        "effects/Chain.h:1: wx/string.h belongs to src/ui/ only",
        "effects/Chain.h:2: sys/stat.h is an operating-system header: call it through src/platform/",
        "lang/Lang.cpp:1: SDL.h belongs to src/audiolib/ only",
        "settings/Settings.cpp:1: settings includes app/Dispatch.h of app, a layer above it",
        "include cycle among audio/Playback, effects/Chain: audio/Playback.h -> effects/Chain; "
        "effects/Chain.cpp -> audio/Playback",
        "include cycle among playlist/File, playlist/Rows: playlist/File.cpp -> playlist/Rows; "
        "playlist/Rows.cpp -> playlist/File",
    ]
    with tempfile.TemporaryDirectory() as root:
        for rel, text in cases.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        got = check(root, {frozenset({"ui/Frame", "ui/Tray"}): "kept for the test"})
    if got != expected:
        print("self-test: expected\n  " + "\n  ".join(expected) + "\ngot\n  " + "\n  ".join(got))
        return 1
    print("self-test: every planted fault found, nothing else")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    faults = check(argv[1])
    for f in faults:
        print(f)
    if not faults:
        print("layers: every include goes down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
