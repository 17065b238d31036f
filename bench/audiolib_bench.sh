#!/usr/bin/env bash
# Whole-process benchmark of the audio library on 60-minute 44.1 kHz stereo WAV and MP3 files:
# decoding through the library against `ffmpeg -v error -i F -f null -` (alternating runs, medians
# of CPU time (user + system) and of wall time), the push -> 16 kHz mono mixer -> FFT512 road, and
# peak memory for a short and a long file; then an 8-source mixer with slides, envelopes and an
# equaliser + compressor on every source, rendered decode-only. CPU time is the figure to compare on a machine shared
# with other work; wall time is shown beside it.
# Mode `play` (also run at the end of a full run): the CPU of one output device mixing 16 playing
# 44.1 kHz stereo file streams to 48 kHz, on an ALSA null device of the script's own (through
# PortAudio; it takes samples as fast as they come, so only the update thread's share is the
# mixing cost) and on a virtual device on a real-time clock (whole process); then the time from
# BASS_ChannelPlay to the device taking the first sample, beside BUFFER + UPDATEPERIOD.
# Usage: bench/audiolib_bench.sh [build dir] [runs] [all|play]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
mode=${3:-all}
bench=$build/bench/audiolib/audiolib_bench
data=$build/audiolib-bench-data
mkdir -p "$data"

[[ -x $bench ]] || { echo "build the audiolib_bench target in $build first" >&2; exit 1; }

play_section() {
  make_file play.wav 1 "-c:a pcm_s16le"
  local alsa
  alsa=$(mktemp -d)
  printf 'pcm.benchnull { type null }\n' >"$alsa/asound.conf"
  ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:$alsa/asound.conf "$bench" play "$data/play.wav" benchnull 10
  rm -rf "$alsa"
  TONESENTRY_VIRTUAL_DEVICES='output|Bench output|bench|default' "$bench" play "$data/play.wav" "Bench output" 10
  for setting in "500 100" "75 20"; do
    # shellcheck disable=SC2086
    TONESENTRY_VIRTUAL_DEVICES='output|Bench output|bench|default' "$bench" latency 20 $setting
  done
}

make_file() {  # name minutes codec-args
  local out=$data/$1
  [[ -s $out ]] && return
  ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=770:sample_rate=44100:duration=$(($2 * 60))" \
    -f lavfi -i "sine=frequency=1336:sample_rate=44100:duration=$(($2 * 60))" \
    -filter_complex "[0][1]amerge=inputs=2" $3 "$out"
}
if [[ $mode == play ]]; then
  play_section
  exit 0
fi
make_file long.wav 60 "-c:a pcm_s16le"
make_file long.mp3 60 "-c:a libmp3lame -b:a 192k"
make_file short.wav 10 "-c:a pcm_s16le"
make_file short.mp3 10 "-c:a libmp3lame -b:a 192k"

# Prints "cpu wall" seconds of one run of the command.
timed() { /usr/bin/time -f "%U %S %e" "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.2f %.2f\n", $1 + $2, $3}'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

for f in long.wav long.mp3; do
  ours=() theirs=()
  for ((i = 0; i < runs; i++)); do
    theirs+=("$(timed ffmpeg -nostdin -v error -i "$data/$f" -f null -)")
    ours+=("$(timed "$bench" decode "$data/$f")")
  done
  oc=$(printf '%s\n' "${ours[@]}" | cut -d' ' -f1 | median)
  tc=$(printf '%s\n' "${theirs[@]}" | cut -d' ' -f1 | median)
  ow=$(printf '%s\n' "${ours[@]}" | cut -d' ' -f2 | median)
  tw=$(printf '%s\n' "${theirs[@]}" | cut -d' ' -f2 | median)
  echo "$f (medians of $runs): library CPU $oc s / wall $ow s, ffmpeg CPU $tc s / wall $tw s;" \
    "CPU ratio $(awk "BEGIN {printf \"%.2f\", $oc / $tc}"), wall ratio $(awk "BEGIN {printf \"%.2f\", $ow / $tw}")"
done

for f in short.wav long.wav short.mp3 long.mp3; do
  echo "$f: $("$bench" decode "$data/$f")"
done

for ((i = 0; i < 3; i++)); do "$bench" road 3600; done
for ((i = 0; i < 3; i++)); do "$bench" mix 600; done
play_section
