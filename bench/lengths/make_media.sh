#!/bin/sh
# Makes the length benchmark's files in folder $1: ten kinds of file, ten odd lengths each,
# every one copied ten times (1,000 files; the copies stand for a large collection on disk).
set -e
dir=${1:-/tmp/lengths-bench}
mkdir -p "$dir"
[ -f "$dir/.done" ] && exit 0
kinds="cbr.mp3|-c:a libmp3lame -b:a 128k
cbr-noxing.mp3|-c:a libmp3lame -b:a 128k -write_xing 0
vbr.mp3|-c:a libmp3lame -q:a 4
vbr-noxing.mp3|-c:a libmp3lame -q:a 4 -write_xing 0
vorbis.ogg|-c:a libvorbis -q:a 4
opus.opus|-c:a libopus -b:a 96k
lossless.flac|-c:a flac
aac.m4a|-c:a aac -b:a 128k
adts.aac|-c:a aac -b:a 128k
pcm.wav|-c:a pcm_s16le"
echo "$kinds" | while IFS='|' read -r name codec; do
  for i in 0 1 2 3 4 5 6 7 8 9; do
    secs=$(awk "BEGIN { printf \"%.4f\", 4.0123 + $i * 6.37 }")
    out="$dir/$i-0-$name"
    [ -f "$out" ] && continue
    # shellcheck disable=SC2086
    ffmpeg -nostdin -hide_banner -loglevel error -y \
      -f lavfi -i "sine=frequency=$((300 + 40 * i)):sample_rate=44100:duration=$secs" -ac 2 $codec "$dir/tmp-$name"
    mv "$dir/tmp-$name" "$out"
    for c in 1 2 3 4 5 6 7 8 9; do cp "$out" "$dir/$i-$c-$name"; done
  done
done
touch "$dir/.done"
