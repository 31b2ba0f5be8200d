#!/usr/bin/env bash
# Installs the Debian packages Tondrial needs, only those that are missing.
# Usage: scripts/deps.sh build|test|windows (windows: the cross build and Wine, see scripts/win64/)
set -euo pipefail

build_pkgs=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libgtk-3-dev libx11-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libsoundtouch-dev libsdl2-dev libpulse-dev
  libspeechd-dev libbrlapi-dev
  libcurl4-openssl-dev
  libgtest-dev
)
test_pkgs=(
  xvfb xauth xdotool openbox x11-utils imagemagick
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber
  dbus dbus-x11 at-spi2-core python3 python3-pyatspi
  ffmpeg sox openssl ca-certificates
  mingw-w64
  speech-dispatcher brltty
  orca
  clang libclang-rt-14-dev
  desktop-file-utils appstream man-db playerctl
)

windows_pkgs=(
  g++-mingw-w64-x86-64-posix nasm dpkg-dev wine wine64 zip unzip xvfb xdotool openbox x11-utils
  pulseaudio pulseaudio-utils sox python3 ffmpeg
)

want=("${build_pkgs[@]}")
if [ "${1:-build}" = "test" ]; then
  want+=("${test_pkgs[@]}")
elif [ "${1:-build}" = "windows" ]; then
  want+=("${windows_pkgs[@]}")
fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "Packages are missing (${missing[*]}) and this user cannot install them: run as root." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
