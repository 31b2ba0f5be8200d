#!/usr/bin/env bash
# Seeds for every fuzz target, made from nothing but ffmpeg, sox and the texts below.
# Usage: make_corpus.sh OUT_DIR  (one folder per target; files already there are kept)
set -euo pipefail
out=$1
src=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"/{fuzz_settings,fuzz_playlist,fuzz_lang,fuzz_effects_ini,fuzz_effect_texts,fuzz_templates,fuzz_tags,fuzz_media}

seed() {  # seed TARGET NAME TEXT (printf escapes allowed)
  printf "$3" > "$out/$1/$2"
}

# Settings: the written form, an ANSI file, groups, odd lines.
seed fuzz_settings written '\xEF\xBB\xBF; Nom : Tondrial\r\nMainWindowX = 10\r\nMainLang = english\r\nOutput.Volume = 80\r\nMain\\File.Audio = Mp3;Ogg;\r\nRecentFile0 = %%MyMusic%%/a.mp3\r\nRecentPlayFile0 = /l.m3u\r\n'
seed fuzz_settings ansi '[Main]\nMainLang=fran\xE7ais\nOutput.ParamEQ=60\xA7 2;250\xA72#3;\nOutput.Compressor=1;2;3;-4;5;\r'
seed fuzz_settings odd '=\n = x\n[\n]\nMainWindowW=-2147483649\nMainWindowH=99999999999\nDisplay.Infos=[%%hh:]%%ii:%%ss %%ST\n'

# Play lists: every field, comments, URLs, empty lines, NULs.
seed fuzz_playlist fields '#EXTM3U\r\n#extrem:Start=90;End=200;Ln=240;Tempo=12;Pitch=-1.5;Loop;Alias=Opening jingle;\r\njingles/opening.mp3\r\nhttp://radio.example/live\r\n'
seed fuzz_playlist rules '#EXTREM:start=10;LOOP;\r\na.mp3\n#extrem:Start=10\rb.mp3\r\n#extrem:Start=5;Alias= x=y ;Tempo=5.7;Pitch=abc;\r\n#EXTINF:12,Title\r\nc.mp3\r\n#extrem:Start=20;\r\n\r\nd.mp3\r\n'
seed fuzz_playlist nuls '#extrem:Pitch=1e400;Tempo=-99999999999;\n\0\0\0\r\r\n\n%%MyMusic%%/x.mp3\0ftp://a/b\0'

# Language files: UTF-8 with its mark, ANSI, UTF-16.
seed fuzz_lang utf8 '\xEF\xBB\xBF; Lang\r\nMWT-Author=someone\r\nSay.NbAdded=%%s1%% added%%w%%ok\r\nKey.Two=a=b\n;comment\nLoneKey\n   =empty\r\n'
seed fuzz_lang ansi 'Caf\xE9=ansi (fr)\r\nMsg.Error=Erreur %%s1%% %%s2%%\r\n'
printf '\xFF\xFE' > "$out/fuzz_lang/utf16"
printf 'Menu.File=File\r\nTime.Second=s\xe9condes\r\n' | iconv -f latin1 -t UTF-16LE >> "$out/fuzz_lang/utf16"

# Effect sets.
seed fuzz_effects_ini sets '\xEF\xBB\xBF\r\n; Effects\r\nFlags = 3\r\n[2]\r\nName = Voice\r\nAPF_Enable = 1\r\nAPF_fGain = 3\r\nAPF_fDelay =\r\nAutoWah_fFreq = -5\r\nChorus_fRate = abc\r\nRVB_lDelay = 5000.6\r\nEcho2_fDelay = 99999999999999999999999\r\nEcho2_fFeedback = -.5\r\n[10]\r\nName = \r\n'

# Equaliser and compressor texts ("\xC2\xA7" is the section mark).
seed fuzz_effect_texts eq '60\xC2\xA72;250\xC2\xA72#3;1000#-4\xC2\xA71;3500\xC2\xA72;10000\xC2\xA72;'
seed fuzz_effect_texts comp '3;10;200;-20;3;'
seed fuzz_effect_texts odd '0.0000000000000000000001;#;\xC2\xA7;\xC2\xA7#\xC2\xA7;99999999999999999999;-;+.5;'

# Templates: four bytes of position, four of length, then the text.
seed fuzz_templates status '\x10\x0e\x00\x00\x20\x1c\x00\x00[%%hh h ][%%ii m ]%%ss s - [%%rh:]%%ri:%%rs of %%th:%%ti:%%ts %%PC%% %%VL %%ST %%SA %%NM %%ct/%%pt'
seed fuzz_templates expr '\x3c\x00\x00\x00\x10\x0e\x00\x00-1h30m'
seed fuzz_templates clock '\x00\x00\x00\x00\xff\xff\x00\x00 1:02:03'
seed fuzz_templates percent '\x00\x00\x00\x00\xff\xff\x00\x00+12.5%%'

# Stream tags.
seed fuzz_tags icy "StreamTitle='Artist - Title';StreamUrl='http://x/';"
seed fuzz_tags entries 'TITLE=Song\0ARTIST=Someone\0title=second\0'

# Media: a fraction of a second of every format we read, and a few unusual but valid ones.
media() {  # media NAME FFMPEG-ARGS...
  local name=$1
  shift
  [ -s "$out/fuzz_media/$name" ] && return 0
  ffmpeg -nostdin -hide_banner -loglevel error -y "$@" "$out/fuzz_media/tmp-$name" &&
    mv "$out/fuzz_media/tmp-$name" "$out/fuzz_media/$name"
}
tone=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=0.3" -ac 2)
media cbr.mp3 "${tone[@]}" -c:a libmp3lame -b:a 32k -f mp3
media vbr.mp3 "${tone[@]}" -c:a libmp3lame -q:a 9 -write_xing 0 -f mp3
media vorbis.ogg "${tone[@]}" -c:a libvorbis -q:a 0 -f ogg
media opus.ogg "${tone[@]}" -c:a libopus -b:a 16k -f ogg
media flac.ogg "${tone[@]}" -c:a flac -f ogg
media pcm.wav "${tone[@]}" -ar 8000 -c:a pcm_s16le -f wav
media float.wav "${tone[@]}" -ar 8000 -c:a pcm_f32le -f wav
media pcm.aiff "${tone[@]}" -ar 8000 -c:a pcm_s16be -f aiff
media lossless.flac "${tone[@]}" -c:a flac -f flac
media wma2.wma "${tone[@]}" -c:a wmav2 -b:a 32k -f asf
media aac.m4a "${tone[@]}" -c:a aac -b:a 32k -f ipod
media adts.aac "${tone[@]}" -c:a aac -b:a 32k -f adts
media mono22k.mp3 -f lavfi -i "sine=frequency=1000:sample_rate=22050:duration=0.3" -c:a libmp3lame -f mp3
media rf64.wav "${tone[@]}" -ar 8000 -c:a pcm_s16le -rf64 always -f wav
media ch10.wv -f lavfi -i "aevalsrc=0.5*sin(2*PI*440*t):c=FL+FR+FC+LFE+BL+BR+SL+SR+TFL+TFR:s=8000:d=0.1" -c:a wavpack -f wv
media tags.ogg "${tone[@]}" -c:a libvorbis -q:a 0 -metadata title=Song -metadata artist=Someone -f ogg
media video.wmv -f lavfi -i testsrc=size=32x24:rate=5:duration=0.3 "${tone[@]}" -shortest -c:v wmv2 -c:a wmav2 -b:a 32k -f asf
# sox's own writers, for headers ffmpeg does not make.
if command -v sox >/dev/null 2>&1; then
  [ -s "$out/fuzz_media/sox.au" ] || sox -n -r 8000 -c 1 "$out/fuzz_media/sox.au" synth 0.2 sine 440
  [ -s "$out/fuzz_media/sox.aiff" ] || sox -n -r 11025 -c 2 -b 8 "$out/fuzz_media/sox.aiff" synth 0.2 sine 440
  [ -s "$out/fuzz_media/sox.wav" ] || sox -n -r 8000 -c 1 -e u-law "$out/fuzz_media/sox.wav" synth 0.2 sine 440
fi

# Inputs that once went wrong, kept as seeds so every run tries them again.
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
def put(target, name, data):
    with open(f"{out}/{target}/regress-{name}", "wb") as f:
        f.write(data)
def patched(src, changes):
    data = bytearray(open(f"{out}/fuzz_media/{src}", "rb").read())
    for offset, fmt, value in changes:
        struct.pack_into(fmt, data, offset, value)
    return bytes(data)
# A tiny WAV declaring 400 MHz; an RF64 claiming 2^61 frames.
put("fuzz_media", "rate400m.wav", patched("pcm.wav", [(24, "<I", 400000000), (28, "<I", 800000000)])[:152])
put("fuzz_media", "rf64-huge.wav", patched("rf64.wav", [(28, "<Q", 1 << 62), (36, "<Q", 1 << 61)]))
# Texts whose cost grew faster than their length, or whose numbers left the float range.
put("fuzz_templates", "sections", b"\x05\x00\x00\x00\x05\x00\x00\x00" + b"[%hh]x" * 2500)
put("fuzz_playlist", "nuls", b"#extrem:Start=3;\n" + b"\0" * 15000 + b"a.mp3\n")
put("fuzz_playlist", "pitch", b"#extrem:Pitch=" + b"9" * 300 + b";\nx\n#extrem:Pitch=0." + b"0" * 400 + b"1;\ny\n")
put("fuzz_effect_texts", "semicolons", b";" * 15000)
put("fuzz_effect_texts", "underflow", "1000\u00a71#0.".encode() + b"0" * 400 + b"1;")
put("fuzz_lang", "overlong-line-feed", b"\xEF\xBB\xBFKey.Odd=a\xC0\x8Ab=c\r\n")
put("fuzz_effects_ini", "underflow", b"[2]\r\nEcho2_fDelay = 0." + b"0" * 400 + b"1\r\nRVB_fLevel = " + b"9" * 400 + b"\r\n")
PY
