#!/usr/bin/env python3
"""Builds the render tool without sanitizers, makes a 5-minute test file and measures the
processor time of our Output chain against the closest ffmpeg filter chain on the same file,
once with the full chain and once with the tempo change alone. Each is run several times in
turn and the medians are compared, since the machine may be shared.

Usage: bench/compare.py [--minutes M] [--tempo P] [--pitch S] [--runs N]
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-bench")


def run_cpu(cmd, **kw):
    """Runs cmd and returns (stdout, CPU seconds of the child: user + system)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    out = subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return out, cpu


def ffmpeg_chain(tempo, pitch, full):
    factor = 1.0 + tempo / 100.0
    filters = []
    if pitch:
        r = 2.0 ** (pitch / 12.0)
        filters += [f"asetrate=44100*{r:.6f}", "aresample=44100", f"atempo={factor / r:.6f}"]
    elif tempo:
        filters.append(f"atempo={factor:.6f}")
    if full:
        for i in range(15):
            f = 25.0 * 2 ** (i * 9.5 / 14.0)
            g = 3 if i % 2 == 0 else -2
            filters.append(f"equalizer=f={f:.1f}:t=o:w=1:g={g}")
        filters += [
            "acompressor=threshold=0.1778:ratio=3:attack=10:release=200",
            "aecho=0.6:1:50:0.6",                       # all-pass stand-in: one feedback delay
            "aphaser=in_gain=0.5:out_gain=1:delay=3:decay=0.5:speed=2",
            "chorus=1:0.35:1:0.5:1:2",
            "aecho=0.999:0.999:200:0.001",
            "aecho=0.8:0.6:37|41|43|47|53|59|61|67:0.5|0.5|0.5|0.5|0.4|0.4|0.4|0.4",  # reverb stand-in
        ]
    filters.append("volume=0.8")
    return ",".join(filters)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--minutes", type=float, default=5.0)
    ap.add_argument("--tempo", type=float, default=10.0)
    ap.add_argument("--pitch", type=float, default=0.0)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()

    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTONDRIAL_BUILD_UI=OFF", "-DTONDRIAL_SANITIZE=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", "tondrial-render"], check=True,
                   stdout=subprocess.DEVNULL)
    render = os.path.join(BUILD, "bin", "tondrial-render")

    seconds = int(args.minutes * 60)
    wav = os.path.join(BUILD, f"bench-{seconds}s.wav")
    if not os.path.exists(wav):
        # Chords moving slowly over pink noise: steady enough to compare, busy enough for the effects.
        tone = ("0.25*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.3*t))+0.15*sin(2*PI*330*t)+0.1*sin(2*PI*(440+20*sin(t))*t)|"
                "0.25*sin(2*PI*277*t)*(0.6+0.4*cos(2*PI*0.2*t))+0.15*sin(2*PI*415*t)+0.1*sin(2*PI*554*t)")
        subprocess.run(["ffmpeg", "-v", "error", "-y",
                        "-f", "lavfi", "-i", f"aevalsrc={tone}:s=44100:d={seconds}",
                        "-f", "lavfi", "-i", f"anoisesrc=d={seconds}:c=pink:a=0.08:r=44100",
                        "-filter_complex", "[1]aformat=channel_layouts=stereo[n];[0][n]amix=inputs=2:normalize=0",
                        "-c:a", "pcm_s16le", wav], check=True)

    tempo = ["--tempo", str(args.tempo), "--pitch", str(args.pitch)]
    cpu = {}
    audio = {}
    for _ in range(max(1, args.runs)):
        for chain in ("full", "none"):
            out, _ = run_cpu([render, wav, *tempo, "--chain", chain])
            # render: A s audio, C s cpu
            parts = out.strip().splitlines()[-1].replace(",", "").split()
            audio[f"ours {chain}"] = float(parts[1])
            cpu.setdefault(f"ours {chain}", []).append(float(parts[4]))
            _, used = run_cpu(["ffmpeg", "-v", "error", "-nostdin", "-i", wav, "-af",
                               ffmpeg_chain(args.tempo, args.pitch, chain == "full"), "-f", "null", "-"])
            audio[f"ffmpeg {chain}"] = float(seconds)
            cpu.setdefault(f"ffmpeg {chain}", []).append(used)

    median = {name: statistics.median(runs) for name, runs in cpu.items()}
    for name, runs in cpu.items():
        print(f"{name:12s}: {audio[name]:.1f} s audio, median {median[name]:.3f} s cpu "
              f"({median[name] / audio[name] * 60000:.1f} ms per audio minute; runs "
              + " ".join(f"{r:.3f}" for r in runs) + ")")
    full = median["ours full"] / median["ffmpeg full"]
    alone = median["ours none"] / median["ffmpeg none"]
    print(f"ratio ours/ffmpeg (full chain): {full:.3f} (target <= 0.3)")
    what = "tempo and pitch" if args.pitch else "tempo"
    print(f"ratio ours/ffmpeg ({what} alone): {alone:.3f} (target <= 0.5)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
