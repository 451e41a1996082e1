#!/usr/bin/env bash
# Installs what is missing, builds Lorvane and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Everything: the program, its image library and the helper programs it
# starts from beside itself.
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a ./build/bin/Lorvane "$@"
fi
exec ./build/bin/Lorvane "$@"
