#!/usr/bin/env bash
# Cross-builds the Windows program's libraries with MinGW-w64 from Debian's source packages.
# Each library lands in its own prefix named by its source version and recipe, under
#   ${TONDRIAL_WIN64_CACHE:-~/.cache/tondrial/win64}/<name>-<version>-r<recipe>
# A prefix that exists is reused; a new version (or recipe) builds a new one.
# Prints nothing but progress; writes <cache>/prefixes.txt, the prefixes of the current versions
# that are built.
# Usage: scripts/win64/deps.sh [--check] [name...]
#   names: soundtouch libsdl2 ffmpeg wxwidgets3.2 (default: all); --check builds nothing and
#   exits 1 unless every named library is built.
set -euo pipefail

CACHE=${TONDRIAL_WIN64_CACHE:-$HOME/.cache/tondrial/win64}
JOBS=${TONDRIAL_WIN64_JOBS:-2}
HOST=x86_64-w64-mingw32
APT="$CACHE/apt"
mkdir -p "$CACHE"

# Bump a recipe number when its configure line changes: the old prefix is then left unused.
declare -A RECIPE=([soundtouch]=1 [libsdl2]=2 [ffmpeg]=1 [wxwidgets3.2]=1)
ALL=(soundtouch libsdl2 ffmpeg wxwidgets3.2)
CHECK=0
if [ "${1:-}" = "--check" ]; then CHECK=1; shift; fi
ORDER=("$@")
[ ${#ORDER[@]} -gt 0 ] || ORDER=("${ALL[@]}")
for p in "${ORDER[@]}"; do
  [ -n "${RECIPE[$p]:-}" ] || { echo "Unknown library $p (known: ${ALL[*]})" >&2; exit 2; }
done

# A private apt whose source entries are the machine's own binary entries turned into deb-src.
apt_setup() {
  mkdir -p "$APT/sources.list.d" "$APT/lists/partial" "$APT/cache/archives/partial"
  rm -f "$APT/sources.list.d/"*
  : > "$APT/sources.list"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list > "$APT/sources.list"
  fi
  local f
  for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" > "$APT/sources.list.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" > "$APT/sources.list.d/$(basename "$f")"
  done
}
apt_opts=()
apt_private() {
  apt_opts=(-o "Dir::Etc::SourceList=$APT/sources.list" -o "Dir::Etc::SourceParts=$APT/sources.list.d"
    -o "Dir::State::Lists=$APT/lists" -o "Dir::Cache=$APT/cache" -o "APT::Sandbox::User=root"
    -o "Debug::NoLocking=1")
}
apt_refresh() {
  # Sources lists are refreshed once a day at most.
  if [ -z "$(find "$APT/lists" -maxdepth 1 -name '*Sources*' -mmin -1440 2>/dev/null | head -1)" ]; then
    apt-get "${apt_opts[@]}" -qq update >/dev/null 2>&1 || apt-get "${apt_opts[@]}" update
  fi
}
src_version() {
  apt-cache "${apt_opts[@]}" showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1
}
prefix_of() {  # name version
  local v=${2#*:}
  echo "$CACHE/$1-$v-r${RECIPE[$1]}"
}

apt_setup
apt_private
apt_refresh

declare -A VERSION PREFIX
for p in "${ALL[@]}"; do
  VERSION[$p]=$(src_version "$p")
  if [ -z "${VERSION[$p]}" ]; then echo "No source package $p in the machine's apt sources" >&2; exit 1; fi
  PREFIX[$p]=$(prefix_of "$p" "${VERSION[$p]}")
done

write_prefixes() {
  for p in "${ALL[@]}"; do
    if [ -f "${PREFIX[$p]}/.built" ]; then echo "${PREFIX[$p]}"; fi
  done > "$CACHE/prefixes.txt"
}

if [ $CHECK = 1 ]; then
  for p in "${ORDER[@]}"; do [ -f "${PREFIX[$p]}/.built" ] || exit 1; done
  write_prefixes
  exit 0
fi

fetch() {  # name -> prints the unpacked source folder
  local p=$1 dir="$CACHE/src/$1-${VERSION[$1]#*:}"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"; mkdir -p "$dir"
    (cd "$dir" && apt-get "${apt_opts[@]}" -qq source "$p=${VERSION[$p]}" >/dev/null)
    touch "$dir/.unpacked"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

NICE=(nice -n 19)
# Each step's output goes to the build's log; a failure shows its end.
run_logged() {  # log command...
  local log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    echo "Failed: $* (end of $log follows)" >&2
    tail -40 "$log" >&2
    exit 1
  fi
}
log_time() { echo "$1 built in $2 s" | tee -a "$CACHE/build-times.txt"; }

# Configures, builds and installs one CMake project for Windows; extra arguments are its options.
build_with_cmake() {
  local src=$1 out=$2 b
  shift 2
  b=$(mktemp -d "$CACHE/build.XXXX")
  run_logged "$LOG" cmake -S "$src" -B "$b" -G Ninja -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_CXX_COMPILER=$HOST-g++-posix -DCMAKE_RC_COMPILER=$HOST-windres -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$out" "$@"
  run_logged "$LOG" "${NICE[@]}" cmake --build "$b" -j "$JOBS"
  run_logged "$LOG" cmake --install "$b"
  rm -rf "$b"
}

build_soundtouch() {
  build_with_cmake "$1" "$2" -DBUILD_SHARED_LIBS=OFF -DSOUNDSTRETCH=OFF -DOPENMP=OFF
}

build_libsdl2() {
  # Audio and events; the program draws with wxWidgets, but a static SDL for Windows needs its
  # video core (its API table refers to the Windows window functions).
  build_with_cmake "$1" "$2" -DCMAKE_C_COMPILER=$HOST-gcc-posix -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_VIDEO=ON -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_FILESYSTEM=ON -DSDL_LOCALE=OFF -DSDL_MISC=OFF
}

build_ffmpeg() {
  local src=$1 out=$2 b
  b=$(mktemp -d "$CACHE/build.XXXX")
  # Audio only: the formats the player opens by name or probes, streams over HTTP(S) with
  # Windows' own TLS (schannel).
  local demuxers=mp3,wav,w64,flac,ogg,aiff,mov,matroska,asf,aac,ac3,eac3,ape,wv,caf,au,mpc,mpc8,tta,dsf,amr,hls,mpegts
  local decoders=mp3,mp3float,mp2,mp2float,mp1,aac,aac_latm,alac,flac,vorbis,opus,ac3,eac3,ape,wavpack
  decoders+=,wmav1,wmav2,wmapro,wmalossless,tta,mpc7,mpc8,dsd_lsbf,dsd_msbf,dsd_lsbf_planar,dsd_msbf_planar,amrnb,amrwb
  decoders+=,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,pcm_s32be,pcm_f32le,pcm_f32be,pcm_f64le,pcm_f64be
  decoders+=,pcm_u8,pcm_s8,pcm_alaw,pcm_mulaw,adpcm_ima_wav,adpcm_ms,gsm_ms
  cd "$b"
  run_logged "$LOG" "$src/configure" --prefix="$out" --target-os=mingw32 --arch=x86_64 --cross-prefix=$HOST- \
    --cc=$HOST-gcc-posix --cxx=$HOST-g++-posix --pkg-config=pkg-config --enable-static --disable-shared \
    --disable-everything --disable-programs --disable-doc --disable-avdevice --disable-swscale \
    --disable-postproc --disable-avfilter --disable-autodetect --enable-schannel --enable-network --disable-debug \
    --enable-demuxer=$demuxers --enable-decoder=$decoders \
    --enable-parser=mpegaudio,aac,aac_latm,flac,vorbis,opus,ac3 \
    --enable-protocol=file,pipe,http,https,httpproxy,tcp,tls,crypto,hls \
    --enable-bsf=aac_adtstoasc
  cd - >/dev/null
  run_logged "$LOG" "${NICE[@]}" make -C "$b" -j "$JOBS"
  run_logged "$LOG" make -C "$b" install
  rm -rf "$b"
}

build_wxwidgets3.2() {
  local src=$1 out=$2 b
  b=$(mktemp -d "$CACHE/build.XXXX")
  # The MSW port, static, monolithic off: base, core, adv and net only. Debian's source has
  # no bundled zlib, PNG or expat: the program's pictures are BMP files, so none is needed.
  cd "$b"
  run_logged "$LOG" "$src/configure" --host=$HOST --build=x86_64-linux-gnu --prefix="$out" \
    CC=$HOST-gcc-posix CXX=$HOST-g++-posix --disable-shared --with-msw --enable-unicode \
    --with-zlib=no --with-libpng=no --with-libjpeg=no --with-libtiff=no --with-expat=no \
    --with-regex=builtin --without-opengl --without-libcurl --without-liblzma --disable-webview \
    --disable-mediactrl --disable-xrc --disable-aui --disable-propgrid --disable-ribbon --disable-stc \
    --disable-richtext --disable-html --disable-debugreport --disable-sound --disable-svg \
    --disable-webrequest --disable-compat30 --disable-precomp-headers --enable-accessibility \
    --without-libnotify --disable-tests
  cd - >/dev/null
  run_logged "$LOG" "${NICE[@]}" make -C "$b" -j "$JOBS"
  run_logged "$LOG" make -C "$b" install
  rm -rf "$b"
}

for p in "${ORDER[@]}"; do
  out=${PREFIX[$p]}
  if [ -f "$out/.built" ]; then continue; fi
  echo "Building $p ${VERSION[$p]} for Windows into $out"
  start=$(date +%s)
  src=$(fetch "$p")
  rm -rf "$out"
  LOG="$CACHE/$p.log"
  : > "$LOG"
  "build_$p" "$src" "$out"
  touch "$out/.built"
  log_time "$p ${VERSION[$p]}" $(( $(date +%s) - start ))
done
write_prefixes
