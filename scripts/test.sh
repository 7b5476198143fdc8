#!/usr/bin/env bash
# Fresh machine to green tests: install what is missing, build, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh "$@"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSERIALTERM_WERROR=ON >&2
cmake --build build >&2
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
