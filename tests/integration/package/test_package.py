"""The Debian package as CPack builds it from this tree: its files, where they go, and the
dependencies dpkg-shlibdeps found for the program."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

CPACK, BUILD = sys.argv[1], sys.argv[2]

FILES = [
    "./usr/bin/tondrial", "./usr/share/applications/tondrial.desktop",
    "./usr/share/metainfo/tondrial.metainfo.xml", "./usr/share/icons/hicolor/scalable/apps/tondrial.svg",
    "./usr/share/icons/hicolor/48x48/apps/tondrial.png", "./usr/share/man/man1/tondrial.1.gz",
    "./usr/share/tondrial/Lang/english.Lng", "./usr/share/tondrial/Tondrial-Help.Txt",
    "./usr/share/doc/tondrial/copyright", "./usr/share/doc/tondrial/changelog.gz",
]
# The libraries the program is built on, each a package of its own on Debian.
DEPENDS = ["libwxgtk3.2-1", "libgtk-3-0", "libavformat59", "libavcodec59", "libswresample4", "libsoundtouch1",
           "libsdl2-2.0-0", "libspeechd2", "libbrlapi0.8", "libcurl4", "libx11-6", "libc6", "libstdc++6"]


def main():
    out = tempfile.mkdtemp(prefix="tondrial-deb-")
    try:
        # Quick compression: the test is about what goes in, not the size.
        r = subprocess.run([CPACK, "-G", "DEB", "-B", out, "-D", "CPACK_DEBIAN_COMPRESSION_TYPE=gzip"],
                           cwd=BUILD, capture_output=True, text=True)
        assert r.returncode == 0, r.stdout + r.stderr
        debs = [f for f in os.listdir(out) if f.endswith(".deb")]
        assert len(debs) == 1 and re.fullmatch(r"tondrial_\d+\.\d+\.\d+_amd64\.deb", debs[0]), debs
        deb = os.path.join(out, debs[0])

        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
        entries = {}
        for line in listing.splitlines():
            fields = line.split(None, 5)
            entries[fields[5].split(" -> ")[0]] = fields[0]
        for f in FILES:
            assert f in entries, "missing from the package: %s\n%s" % (f, listing)
        assert entries["./usr/bin/tondrial"] == "-rwxr-xr-x", entries["./usr/bin/tondrial"]
        outside = [p for p in entries if not (p == "./" or p.startswith("./usr/"))]
        assert not outside, outside
        # Owned by root and none of the build's own files (tests, benchmarks, objects).
        assert all(" root/root " in line for line in listing.splitlines()), listing
        assert not [p for p in entries if re.search(r"(_unit|_integration|bench|\.o|\.a)$", p)], listing

        fields = {k: subprocess.run(["dpkg-deb", "-f", deb, k], capture_output=True, text=True).stdout.strip()
                  for k in ("Package", "Architecture", "Depends", "Section", "Maintainer", "Description")}
        assert fields["Package"] == "tondrial" and fields["Architecture"] == "amd64", fields
        assert fields["Section"] == "sound" and "@" in fields["Maintainer"], fields
        depends = {d.strip().split(" ")[0] for d in fields["Depends"].split(",")}
        for d in DEPENDS:
            assert d in depends, "%s not in Depends: %s" % (d, fields["Depends"])
        # Every dependency carries a version bound from the symbols files, where Debian has one.
        assert re.search(r"libc6 \(>= 2\.\d+\)", fields["Depends"]), fields["Depends"]
    finally:
        shutil.rmtree(out, ignore_errors=True)
    print("package: ok")


if __name__ == "__main__":
    main()
