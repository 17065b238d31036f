#!/usr/bin/env bash
# Costs of the media-library pieces behind inserting a folder or a list file into a playlist:
# listing a folder of N small audio files and reading all their tags (files per second), and
# reading an M3U8 list of N entries and its state file (time, peak memory). The page cache is
# warm after the files are made (the figures are not those of a cold disk).
# Usage: bench/medialib_bench.sh [build dir] [N] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
count=${2:-10000}
runs=${3:-3}
bench=$build/bench/playback/medialib_bench
[[ -x $bench ]] || { echo "build the medialib_bench target in $build first" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$bench" make "$folder" "$count"
for ((run = 1; run <= runs; run++)); do
  echo "--- run $run"
  "$bench" folder "$folder"
  "$bench" list "$folder"
done
