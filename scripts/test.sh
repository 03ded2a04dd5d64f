#!/usr/bin/env bash
# Sets up the machine, builds every preset and runs every test: natively,
# the Debian packages, the Python package from its wheel and its source
# package, under AddressSanitizer and UndefinedBehaviorSanitizer, the browser
# page in headless chromium, the Windows programs under Wine and the aarch64
# ones under qemu, then runs the fuzz targets side by side for 20 seconds and
# replays their corpus under Valgrind (under a minute in all).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in native sanitize windows aarch64; do
  echo "== build: $preset"
  # The native install test covers the window program's launcher as well.
  extra=()
  [ "$preset" = native ] && extra=("-DVELMORA_WINDOWS_BUILD=$PWD/build/windows")
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  cmake --build --preset "$preset"
done

jobs=$(nproc)
status=0
echo "== test: native"
ctest --preset native -j "$jobs" || status=1
echo "== test: Debian packages (lintian, a clean Debian 12)"
tests/debian_packages_test.sh build/native || status=1
echo "== test: python"
scripts/python-test.sh || status=1
echo "== test: sanitize"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset sanitize -j "$jobs" || status=1
echo "== test: the C library's threads under ThreadSanitizer"
# Only what that test needs is built; libjpeg-turbo and libspng, which keep
# no state between calls, are built without the sanitizer.
tsan=(-fsanitize=thread -fno-omit-frame-pointer)
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="${tsan[*]}" \
  -DCMAKE_CXX_FLAGS="${tsan[*]}" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan --target c_library_threads_tests
TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/c_library_threads_tests || status=1
echo "== test: the browser page (WebAssembly, chromium)"
scripts/web.sh build && (cd web && npm ci --no-audit --no-fund --silent && npm test) || status=1
echo "== test: windows (Wine)"
# One X server for every Windows program of the run.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows || status=1
echo "== test: window placement and scrolling at other screen sizes"
# The tests that size pictures and place windows from the work area, on the
# smallest screen the program is made for and on a wide one.
for screen in 1024x768 1920x1080; do
  xvfb-run -a -s "-screen 0 ${screen}x24" scripts/gtest-selected.sh 'ScreenSize.*:Keyboard.*:StartPosition.*:StoredPlacement.*' \
    scripts/wine-run.sh "$PWD/build/windows/wineprefix" build/windows/tests/ui_tests.exe || status=1
done
echo "== test: aarch64 (qemu)"
# Every suite, and every test picture in every option converted by the
# aarch64 converter and the native one, byte for byte alike.
ctest --preset aarch64 -j "$jobs" || status=1
echo "== fuzz"
scripts/fuzz.sh 20 || status=1
exit $status
