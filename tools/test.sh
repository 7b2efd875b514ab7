#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test, then builds the
# Debian package and tries it unpacked in a temporary tree, without installing it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build --output-on-failure --timeout 600 "$@"
tools/check-package.sh
