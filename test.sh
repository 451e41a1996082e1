#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
