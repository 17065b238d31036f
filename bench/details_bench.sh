#!/usr/bin/env bash
# The key details window's spectrogram of a one-hour file: how long it takes and the longest gap
# between two 10 ms timer ticks of the window's event loop meanwhile (target: under 100 ms).
# Makes one-hour files with ffmpeg (a key every minute): 16 kHz WAV and 44.1 kHz Ogg Vorbis.
# Usage: bench/details_bench.sh [build dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-3}
bench=$build/bench/app/details_bench
[[ -x $bench ]] || { echo "build the details_bench target in $build first" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
key="0.25*(sin(2*PI*697*t)+sin(2*PI*1209*t))*lt(mod(t\,60)\,0.1)"
ffmpeg -loglevel error -f lavfi -i "aevalsrc=$key:s=16000:d=3600" -c:a pcm_s16le "$folder/hour.wav"
ffmpeg -loglevel error -f lavfi -i "aevalsrc=$key:s=44100:d=3600" -c:a libvorbis -q:a 3 "$folder/hour.ogg"
for ((run = 1; run <= runs; run++)); do
  echo "--- run $run"
  "$bench" "$folder/hour.wav"
  "$bench" "$folder/hour.ogg"
done
