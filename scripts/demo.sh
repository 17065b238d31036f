#!/usr/bin/env bash
# Installs the dependencies, builds ToneSentry and runs its main job on the bundled demo recording.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${TONESENTRY_BUILD_DIR:-$root/build/release}
"$root/scripts/install-deps.sh"
TONESENTRY_TARGETS=tonesentry "$root/scripts/build.sh" "$build_dir" -DTONESENTRY_WERROR=ON >/dev/null
echo "tonesentry detect samples/demo.ogg:"
"$build_dir/cli/tonesentry" detect --format list "$root/samples/demo.ogg"
"$build_dir/cli/tonesentry" detect "$root/samples/demo.ogg"
