#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan and runs every test there: the unit tests offscreen, the
# real-window tests under Xvfb and under headless sway. Any report fails the
# run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_ASAN_DIR:-$root/build-asan}

if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
# -O1 with line tables only: sanitized code at -O2 -g compiles three times
# slower, and the reports need no more than file and line.
flags="-O1 -g1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DBUILD_TESTING=ON \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$dir" -j"$(nproc)"

# Qt and the system libraries are not instrumented. The suppressions file
# names only reports whose origin lies in those libraries; our own code is
# never suppressed.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The kill tests check the saves, not the sanitizers: fewer kills do here.
export KELPO_CRASH_KILLS=${KELPO_CRASH_KILLS:-60}
echo "== unit tests with sanitizers (offscreen)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -L unit --output-on-failure -j"$(nproc)"

echo "== real-window tests with sanitizers (Xvfb + openbox)"
"$root/scripts/with-x11.sh" ctest --test-dir "$dir" -L x11 --output-on-failure

# libwayland-client has no frame pointers: without full unwinding a leak
# report stops there, and the suppressions could not tell Qt's objects from
# Kelpo's.
echo "== Wayland real-window tests with sanitizers (headless sway)"
ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0 ctest --test-dir "$dir" -L wayland --output-on-failure
