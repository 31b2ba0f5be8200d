#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--windows" ]; then
  shift
  exec scripts/win64/test.sh "$@"
fi
scripts/deps.sh test
cmake -S . -B build -G Ninja -DTONDRIAL_SANITIZE=ON -DTONDRIAL_WERROR=ON
cmake --build build
cd build
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
