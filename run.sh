#!/usr/bin/env bash
# Installs what is missing, builds Lorvane and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target Lorvane
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a ./build/bin/Lorvane "$@"
fi
exec ./build/bin/Lorvane "$@"
