#!/usr/bin/env bash
# Configures and builds ToneSentry.  Usage: scripts/build.sh BUILD_DIR [extra cmake options]
# TONESENTRY_TARGETS="a b" builds only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?usage: scripts/build.sh BUILD_DIR [cmake options]}
shift
cmake -S "$root" -B "$build_dir" -G Ninja "$@" >/dev/null
targets=()
for t in ${TONESENTRY_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
