#!/usr/bin/env bash
# Installs the dependencies, builds ToneSentry with warnings as errors and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${TONESENTRY_BUILD_DIR:-$root/build/release}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build_dir" -DTONESENTRY_WERROR=ON "$@"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
