#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tondrial with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Tondrial needs a graphical session: DISPLAY is not set." >&2
  exit 1
fi
scripts/deps.sh build
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja
fi
cmake --build build --target tondrial tondrial_data
exec build/bin/tondrial "$@"
