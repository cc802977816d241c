#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window program on the
# built-in simulated switch: no serial hardware needed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRO_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)" --target kavro-switch-config
exec build/gui/kavro-switch-config --simulator
