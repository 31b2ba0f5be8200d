#!/usr/bin/env bash
# Builds the Windows libraries (once), cross-builds Tondrial for 64-bit Windows in build-win/
# and runs its tests under Wine. Run as ./test.sh --windows [ctest arguments].
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh windows
start=$(date +%s)
scripts/win64/deps.sh
echo "Windows libraries ready after $(( $(date +%s) - start )) s"

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$(date +%s)
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW64.cmake -DTONDRIAL_WERROR=ON "${launcher[@]}"
cmake --build build-win
echo "Windows build done in $(( $(date +%s) - start )) s"

# One Wine prefix for the tests, made once; one server kept alive for the whole run.
export WINEPREFIX="$PWD/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
fi
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd build-win
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
