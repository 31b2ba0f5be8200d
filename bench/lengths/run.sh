#!/bin/sh
# Length benchmark in one command: builds the bench (Release, build-bench/), makes the files,
# measures our lengths, then times `soxi -D` over the files sox reads.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=${1:-/tmp/lengths-bench}
"$root/bench/lengths/make_media.sh" "$dir"
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" --target lengths_bench -j2 >/dev/null
"$root/build-bench/bench/lengths_bench" "$dir"
# soxi in one process over the kinds it reads (its start-up is then shared by all files).
set -- "$dir"/*-pcm.wav "$dir"/*-lossless.flac "$dir"/*-vorbis.ogg "$dir"/*-cbr.mp3 "$dir"/*-vbr.mp3
soxi -D "$@" >/dev/null 2>&1 || true
t0=$(date +%s%N)
soxi -D "$@" >/dev/null 2>&1 || true
t1=$(date +%s%N)
echo "soxi -D: $# files (WAV, FLAC, Vorbis, MP3), $(awk "BEGIN { printf \"%.3f\", ($t1 - $t0) / 1e6 / $# }") ms per file"
