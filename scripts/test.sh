#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
# Every fuzz target runs a few seconds over its seed corpus, so an input that used to pass
# and now crashes fails here.
cd ..
bash scripts/fuzz.sh 3
# The way most people build a CMake project, with CMake's default generator (Makefiles): the
# whole tree must build so too.
cmake -S . -B build-make -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-make --parallel "$(nproc)" >build-make/build.log 2>&1 ||
    { tail -n 60 build-make/build.log; exit 1; }
