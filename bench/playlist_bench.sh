#!/usr/bin/env bash
# Playlists on a folder of 10,000 small tagged MP3 files and an M3U8 list of them: insertion time
# and memory, and the background tag-loading rate. Usage: bench/playlist_bench.sh [build dir] [files]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
count=${2:-10000}
bench=$build/bench/playlist/playlist_bench
[[ -x $bench ]] || { echo "build the playlist_bench target in $build first" >&2; exit 1; }
data=$build/playlist-bench-data/$count
if [[ ! -s $data/track$((count - 1)).mp3 ]]; then
  mkdir -p "$data"
  ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" \
    -c:a libmp3lame -b:a 64k -metadata title=Tone -metadata artist=Generator "$data/track0.mp3"
  for ((i = 1; i < count; i++)); do cp "$data/track0.mp3" "$data/track$i.mp3"; done
fi
"$bench" "$data"
