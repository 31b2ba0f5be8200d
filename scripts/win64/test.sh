#!/usr/bin/env bash
# Builds the Windows libraries (once), cross-builds Tondrial for 64-bit Windows in build-win/,
# packs dist/Tondrial-<version>-win64.zip and runs the tests under Wine. Run as ./test.sh --windows [--if-built] [ctest arguments];
# --if-built skips everything (successfully) unless the libraries are already built.
set -euo pipefail
cd "$(dirname "$0")/../.."
libs=(soundtouch libsdl2 ffmpeg wxwidgets3.2)
if [ "${1:-}" = "--if-built" ]; then
  shift
  if ! command -v wine >/dev/null 2>&1 || ! scripts/win64/deps.sh --check "${libs[@]}"; then
    echo "Windows build and tests skipped: the Windows libraries are not built on this machine (scripts/win64/deps.sh)"
    exit 0
  fi
fi
scripts/deps.sh windows
start=$(date +%s)
scripts/win64/deps.sh "${libs[@]}"
echo "Windows libraries ready after $(( $(date +%s) - start )) s"

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$(date +%s)
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW64.cmake -DTONDRIAL_WERROR=ON "${launcher[@]}"
cmake --build build-win
cmake --build build-win --target tondrial_zip
echo "Windows build done in $(( $(date +%s) - start )) s"

# One Wine prefix for the tests, made once; one server kept alive for the whole run.
export WINEPREFIX="$PWD/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  # Windows without a display: the tests need window handles, not pictures.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi
# A server left by wineboot (or by an earlier run) makes -p fail: end it first.
wineserver -k >/dev/null 2>&1 || true
wineserver -p
# The first program in a prefix finishes setting it up: not inside a test's time.
wine cmd /c exit >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd build-win
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
cd ..
wineserver -k >/dev/null 2>&1 || true
scripts/win64/smoke.sh build-win "dist/Tondrial-$(sed -n 's/^project(Tondrial VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-win64.zip"
