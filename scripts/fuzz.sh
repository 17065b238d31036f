#!/usr/bin/env bash
# Builds a libFuzzer target with clang in build/fuzz and runs it on a copy of its seed corpus.
# Usage: scripts/fuzz.sh [FUZZER] [SECONDS] [LIBFUZZER OPTIONS...]
#   FUZZER   settings (the default): the settings-file parser, reader and writer's round trip;
#            file_road: arbitrary bytes as an audio file through the decoder and DTMF analysis.
#   SECONDS  how long to fuzz (default 60).
#   Further options go to libFuzzer as they are (e.g. -jobs=2, -runs=0 to only replay the seeds).
# Exits non-zero when the fuzzer finds a crash, a sanitizer report, a leak, a timeout or (settings)
# a failed round trip; the failing input is kept in build/fuzz/artifacts/ (file_road- names).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzzer=settings
if (($# > 0)) && [[ ! $1 =~ ^[0-9]+$ ]]; then
  fuzzer=${1%_fuzzer}
  shift
fi
seconds=${1:-60}
(($# > 0)) && shift
build_dir=${TONESENTRY_FUZZ_BUILD_DIR:-$root/build/fuzz}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build_dir/artifacts"
case $fuzzer in
  settings)
    cp "$root"/fuzz/corpus/* "$work/corpus/"
    options=(-max_len=16384 -artifact_prefix="$build_dir/artifacts/")
    ;;
  file_road)
    # Seeds are made fresh; inputs that once failed are kept in git.
    bash "$root/scripts/fuzz-file-seeds.sh" "$work/corpus"
    if [[ -d $root/fuzz/file_road_corpus ]]; then
      find "$root/fuzz/file_road_corpus" -type f -exec cp -t "$work/corpus" {} +
    fi
    # Small inputs keep each run short; compressed formats decode to seconds from kilobytes.
    options=(-max_len=32768 -artifact_prefix="$build_dir/artifacts/file_road-")
    ;;
  *)
    echo "scripts/fuzz.sh: unknown fuzzer '$fuzzer' (settings or file_road)" >&2
    exit 2
    ;;
esac

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DTONESENTRY_FUZZ=ON \
  -DTONESENTRY_BUILD_TESTS=OFF -DTONESENTRY_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target "${fuzzer}_fuzzer"

ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$build_dir/fuzz/${fuzzer}_fuzzer" \
  "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${options[@]}" \
  -print_final_stats=1 "$@"
echo "corpus after the run: $(find "$work/corpus" -type f | wc -l) files, $(du -sk "$work/corpus" | cut -f1) KiB"
