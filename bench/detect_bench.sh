#!/usr/bin/env bash
# Whole-process benchmark of `tonesentry detect` on 60-minute 44.1 kHz stereo WAV and MP3 files
# with a key every 30 s over light noise, against `ffmpeg -v error -i F -f null -` on the same
# files (alternating runs, medians): wall time, CPU time, peak memory, and whether every key was
# found, for the standard and the strict detector (the standard one on the WAV also cut into two
# parts, --jobs 2); the WAV once more with every core kept busy by other processes. Then --jobs 2
# against --jobs 1 over twenty 3-minute WAV files cut from the long one (the same output
# required). Then, for each recordings set in [build dir]/recordings and [build dir]/recordings-held-out
# (scripts/recordings-set.sh [--held-out]), the false keys per hour in recorded music and speech and
# the share of keys found in music, for both detectors.
# Usage: bench/detect_bench.sh [build dir] [runs]
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

col() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1" | median; }
# One run of each: FILE DETECTOR [JOBS]; JOBS 2 cuts a long WAV into two parts for the standard
# detector (the default, one part per two cores, analyses it in one pass on a 2-core machine).
runs_of() {
  local f=$1 detector=$2 jobs=${3:-} ours=() theirs=() found=ok
  for ((i = 0; i < runs; i++)); do
    theirs+=("$(timed ffmpeg -nostdin -v error -i "$data/$f" -f null -)")
    ours+=("$(timed "$tool" detect --no-progress --detector "$detector" ${jobs:+--jobs "$jobs"} "$data/$f")")
    [[ $(cat "$data/out") == "$expected" ]] || found="MISSED KEYS: $(cat "$data/out")"
  done
  ow=$(col 1 "${ours[@]}") oc=$(col 2 "${ours[@]}") om=$(col 3 "${ours[@]}")
  tw=$(col 1 "${theirs[@]}") tc=$(col 2 "${theirs[@]}")
  echo "$f $detector${jobs:+ --jobs $jobs}${hogs_note:-} (medians of $runs): tonesentry wall $ow s, CPU $oc s," \
    "peak RSS $((om / 1024)) MB; ffmpeg wall $tw s, CPU $tc s; wall ratio $(awk "BEGIN {printf \"%.2f\", $ow / $tw}");" \
    "120 keys: $found"
}
runs_of long.wav standard
runs_of long.wav standard 2
runs_of long.wav strict
runs_of long.mp3 standard
runs_of long.mp3 strict

# The WAV again on a busy machine: one endless loop per core competes with both programs.
hogs=()
trap 'kill "${hogs[@]}" 2>/dev/null || true' EXIT
for ((c = 0; c < $(nproc); c++)); do (while :; do :; done) & hogs+=($!); done
hogs_note=", $(nproc) busy loops"
runs_of long.wav standard
runs_of long.wav standard 2
kill "${hogs[@]}" 2>/dev/null || true
wait "${hogs[@]}" 2>/dev/null || true
hogs=() hogs_note=""

# Futex calls of one pass over the WAV, against ffmpeg's: how often the decoding and the analysing
# threads wait on each other.
if command -v strace >/dev/null; then
  futexes() { strace -f -c -e trace=futex -o "$data/strace" "$@" >/dev/null 2>&1; awk '$NF == "futex" {print $4}' "$data/strace"; }
  echo "long.wav futex calls: tonesentry --jobs 1 $(futexes "$tool" detect --no-progress --jobs 1 "$data/long.wav")," \
    "ffmpeg $(futexes ffmpeg -nostdin -v error -i "$data/long.wav" -f null -)"
fi

# Twenty 3-minute files: six keys each.
parts=()
for ((n = 0; n < 20; n++)); do
  part=$data/part$n.wav
  [[ -s $part ]] || sox "$data/long.wav" "$part" trim $((n * 180)) 180
  parts+=("$part")
done
one=() two=() same=ok
for ((i = 0; i < runs; i++)); do
  one+=("$(timed "$tool" detect --no-progress --jobs 1 "${parts[@]}")")
  cp "$data/out" "$data/out1"
  two+=("$(timed "$tool" detect --no-progress --jobs 2 "${parts[@]}")")
  cmp -s "$data/out" "$data/out1" || same="OUTPUT DIFFERS"
done
w1=$(col 1 "${one[@]}") w2=$(col 1 "${two[@]}")
echo "20 x 3-minute WAV (medians of $runs): --jobs 1 wall $w1 s, --jobs 2 wall $w2 s;" \
  "speed-up $(awk "BEGIN {printf \"%.2f\", $w1 / $w2}"); output: $same"

# Recordings sets: [build dir]/recordings and, when built with --held-out, [build dir]/recordings-held-out.
keycount() { "$tool" detect --no-progress "$@" | tr -d '\n' | wc -c; }
per_hour() { awk "BEGIN {printf \"%.0f\", $1 * 3600 / $(soxi -D "$2")}"; }
# found_in KEYED LIST DETECTOR LEVEL: how many of LIST's keys were found in KEYED; a key counts
# when a key of the same character starts within 0.2 s of it.
found_in() {
  "$tool" detect --no-progress --detector "$3" --level "$4" --format csv "$1" >"$data/found.csv"
  awk 'FNR == NR { t[NR] = $1; k[NR] = $2; n = NR; next }
    FNR > 1 { split($0, f, ","); s[++m] = f[3] / 1000; c[m] = f[2] }
    END { for (i = 1; i <= n; i++) for (j = 1; j <= m; j++)
            if (!u[j] && c[j] == k[i] && s[j] > t[i] - 0.2 && s[j] < t[i] + 0.2) { h++; u[j] = 1; break }
          printf "%d of %d (%.0f %%), %d other keys", h, n, 100 * h / n, m - h }' "$2" "$data/found.csv"
}
sets=0
for recordings in "$build/recordings" "$build/recordings-held-out"; do
  [[ -s $recordings/music-keys.wav ]] || continue
  sets=$((sets + 1))
  for detector in standard strict; do
    for level in -26 -30; do
      line="$(basename "$recordings"), $detector, level $level dB:"
      line+=" false keys $(per_hour "$(keycount --detector $detector --level $level "$recordings/music.wav")" "$recordings/music.wav")/h in music,"
      if [[ -s $recordings/music-other.wav ]]; then
        line+=" $(per_hour "$(keycount --detector $detector --level $level "$recordings/music-other.wav")" "$recordings/music-other.wav")/h in the other music,"
      fi
      line+=" $(per_hour "$(keycount --detector $detector --level $level "$recordings/speech.wav")" "$recordings/speech.wav")/h in speech;"
      line+=" keys in music found: $(found_in "$recordings/music-keys.wav" "$recordings/music-keys.txt" $detector $level)"
      if [[ -s $recordings/music-other-keys.wav ]]; then
        line+="; in the other music: $(found_in "$recordings/music-other-keys.wav" "$recordings/music-other-keys.txt" $detector $level)"
      fi
      echo "$line"
    done
  done
done
((sets > 0)) || echo "(no recordings set: scripts/recordings-set.sh [--held-out] $build/recordings[-held-out])"
