#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
# With --sanitize the build uses AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
dir=build-test; extra=()
if [ "${1:-}" = "--sanitize" ]; then
  # -O1 keeps the sanitizer build quick to compile and its reports readable.
  dir=build-asan; extra=(-DDIRADI_SANITIZE=ON -DDIRADI_BENCH=OFF -DCMAKE_CXX_FLAGS_RELEASE=-O1)
fi
jobs=${DIRADI_JOBS:-$(nproc)}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${extra[@]}"
cmake --build "$dir" -j "$jobs"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$jobs"
