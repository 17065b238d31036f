#!/usr/bin/env bash
# Whole-process benchmark of `tonesentry detect` on 60-minute 44.1 kHz stereo WAV and MP3 files
# with a key every 30 s over light noise, against `ffmpeg -v error -i F -f null -` on the same
# files (alternating runs, medians): wall time, CPU time, peak memory, and whether every key was
# found. Usage: bench/detect_bench.sh [build dir] [runs]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-3}
tool=$build/cli/tonesentry
data=$build/detect-bench-data
mkdir -p "$data"
[[ -x $tool ]] || { echo "build the tonesentry target in $build first" >&2; exit 1; }

keys="123A456B789C*0#D"
expected=""
make_files() {
  [[ -s $data/long.wav && -s $data/long.mp3 ]] && return
  local segments=()
  for ((i = 0; i < ${#keys}; i++)); do
    local key=${keys:i:1}
    "$tool" generate "$key" -o "$data/key$i.wav"
    # Each key 1 s into its own 30-second stereo segment.
    sox "$data/key$i.wav" -c 2 "$data/seg$i.wav" pad 1 "$(echo "29 - $(soxi -D "$data/key$i.wav")" | bc)"
  done
  for ((n = 0; n < 120; n++)); do segments+=("$data/seg$((n % ${#keys})).wav"); done
  sox "${segments[@]}" "$data/clean.wav"
  ffmpeg -nostdin -v error -y -i "$data/clean.wav" \
    -f lavfi -i "anoisesrc=color=pink:amplitude=0.003:duration=3600:sample_rate=44100" \
    -filter_complex "[1]aformat=channel_layouts=stereo[n];[0][n]amix=inputs=2:normalize=0" \
    -c:a pcm_s16le "$data/long.wav"
  ffmpeg -nostdin -v error -y -i "$data/long.wav" -c:a libmp3lame -b:a 192k "$data/long.mp3"
  rm -f "$data"/key*.wav "$data"/seg*.wav "$data/clean.wav"
}
make_files
for ((n = 0; n < 120; n++)); do expected+=${keys:n % ${#keys}:1}; done

# Prints "wall cpu maxrss_kb" of one run of the command; its standard output goes to $data/out.
timed() { /usr/bin/time -f "%e %U %S %M" "$@" 2>"$data/time" >"$data/out"; tail -1 "$data/time" | awk '{printf "%.2f %.2f %d\n", $1, $2 + $3, $4}'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

for f in long.wav long.mp3; do
  ours=() theirs=() found=ok
  for ((i = 0; i < runs; i++)); do
    theirs+=("$(timed ffmpeg -nostdin -v error -i "$data/$f" -f null -)")
    ours+=("$(timed "$tool" detect --no-progress "$data/$f")")
    [[ $(cat "$data/out") == "$expected" ]] || found="MISSED KEYS: $(cat "$data/out")"
  done
  col() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1" | median; }
  ow=$(col 1 "${ours[@]}") oc=$(col 2 "${ours[@]}") om=$(col 3 "${ours[@]}")
  tw=$(col 1 "${theirs[@]}") tc=$(col 2 "${theirs[@]}")
  echo "$f (medians of $runs): tonesentry wall $ow s, CPU $oc s, peak RSS $((om / 1024)) MB;" \
    "ffmpeg wall $tw s, CPU $tc s; wall ratio $(awk "BEGIN {printf \"%.2f\", $ow / $tw}");" \
    "120 keys: $found"
done
