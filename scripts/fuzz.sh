#!/usr/bin/env bash
# Builds the settings-file fuzzer with clang in build/fuzz and runs it on a copy of the seed corpus.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
# Exits non-zero when the fuzzer finds a crash, a leak, a timeout or a failed round trip; the
# failing input is kept in build/fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build_dir=${TONESENTRY_FUZZ_BUILD_DIR:-$root/build/fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DTONESENTRY_FUZZ=ON \
  -DTONESENTRY_BUILD_TESTS=OFF -DTONESENTRY_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target settings_fuzzer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build_dir/artifacts"
cp "$root"/fuzz/corpus/* "$work/corpus/"

ASAN_OPTIONS=detect_leaks=1 "$build_dir/fuzz/settings_fuzzer" "$work/corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -artifact_prefix="$build_dir/artifacts/" -print_final_stats=1
echo "corpus after the run: $(find "$work/corpus" -type f | wc -l) files, $(du -sk "$work/corpus" | cut -f1) KiB"
