#!/usr/bin/env python3
"""Checks the includes of src/ against the layer order.

A file may include headers of its own layer and of the layers below it, never of one above.
Toolkit, media and operating-system headers belong to one folder each.

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


def check(src):
    faults = []
    rank = {name: i for i, name in enumerate(LAYERS)}
    for folder, _, names in sorted(os.walk(src)):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".c", ".hpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
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
                        theirs = layer_of(target)
                        if theirs is not None and rank[theirs] > rank[mine]:
                            faults.append(f"{where}: {mine} includes {target} of {theirs}, a layer above it")
                    elif top in OWNED and owner_folder(rel) != OWNED[top]:
                        faults.append(f"{where}: {target} belongs to src/{OWNED[top]}/ only")
                    elif top in OS_HEADERS and owner_folder(rel) != "platform" and \
                            top not in OS_ALLOWED.get(rel, ()):
                        faults.append(f"{where}: {target} is an operating-system header: "
                                      "call it through src/platform/")
    return faults


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
    }
    expected = [
        "audiolib/dsp/Echo.h:1: audiolib/dsp includes audiolib/AudioLib.h of audiolib, a layer above it",
        "effects/Chain.cpp:2: effects includes audio/Playback.h of audio, a layer above it",
        "effects/Chain.h:1: wx/string.h belongs to src/ui/ only",
        "effects/Chain.h:2: sys/stat.h is an operating-system header: call it through src/platform/",
        "lang/Lang.cpp:1: SDL.h belongs to src/audiolib/ only",
        "settings/Settings.cpp:1: settings includes app/Dispatch.h of app, a layer above it",
    ]
    with tempfile.TemporaryDirectory() as root:
        for rel, text in cases.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        got = check(root)
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
