#!/usr/bin/env python3
"""Splice noise of the tempo change, ours against ffmpeg's atempo: a chord of steady tones is
sped up, the tones are notched out of the result, and what is left is measured against the
whole. Lower is cleaner; the untouched source gives the floor of the measurement.

Usage: bench/tempo_quality.py [--tempo P]   (builds the render tool like bench/compare.py)
"""
import argparse
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-bench")
TONES = [220.0, 277.18, 329.63, 440.0, 554.37]


def rms_db(raw, filters):
    out = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-f", "f32le", "-ar", "44100", "-ac", "2", "-i", raw,
                          "-af", filters + "atrim=1:25,astats=metadata=1:reset=0,"
                          "ametadata=print:key=lavfi.astats.Overall.RMS_level:file=-", "-f", "null", "-"],
                         check=True, capture_output=True, text=True).stdout
    return float(out.strip().splitlines()[-1].split("=")[1])


def splice_noise_db(raw):
    notch = "highpass=f=100,"
    for f in TONES:
        notch += f"bandreject=f={f}:width_type=h:w=6," * 2
    return rms_db(raw, notch) - rms_db(raw, "")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tempo", type=float, default=10.0)
    args = ap.parse_args()
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTONDRIAL_BUILD_UI=OFF", "-DTONDRIAL_SANITIZE=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", "tondrial-render"], check=True,
                   stdout=subprocess.DEVNULL)
    render = os.path.join(BUILD, "bin", "tondrial-render")
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "chord.wav")
        tone = "+".join(f"{0.15 - i * 0.025:.3f}*sin(2*PI*{f}*t)" for i, f in enumerate(TONES))
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"aevalsrc={tone}:s=44100:d=30",
                        "-ac", "2", "-c:a", "pcm_s16le", wav], check=True)
        src, ours, theirs = (os.path.join(tmp, n) for n in ("src.raw", "ours.raw", "ffmpeg.raw"))
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-f", "f32le", "-ac", "2", src], check=True)
        subprocess.run([render, wav, "--tempo", str(args.tempo), "--chain", "none", "--write", ours], check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-af", f"atempo={1 + args.tempo / 100:.6f}",
                        "-f", "f32le", "-ac", "2", theirs], check=True)
        for name, raw in (("source", src), ("ours", ours), ("ffmpeg atempo", theirs)):
            print(f"{name:14s}: splice noise {splice_noise_db(raw):6.1f} dB under the signal")
    return 0


if __name__ == "__main__":
    sys.exit(main())
