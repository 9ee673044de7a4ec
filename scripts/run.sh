#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. With no display
# it runs under Xvfb (or set QT_QPA_PLATFORM=offscreen yourself).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIRADI_TESTS=OFF -DDIRADI_BENCH=OFF
cmake --build build --target diradi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec ./build/diradi "$@"
else
  exec xvfb-run -a -s "-screen 0 1280x900x24" ./build/diradi "$@"
fi
