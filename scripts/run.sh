#!/usr/bin/env bash
# Fresh machine to a terminal window: install what is missing, build the program, start it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSERIALTERM_QT=ON >&2
cmake --build build --target serialterm >&2
exec build/app/serialterm "$@"
