#!/usr/bin/env bash
# Builds the recordings benchmark set (not checked in) from Debian packages of recorded sound:
#   music.wav       the first hour of Wesnoth's orchestral soundtrack (wesnoth-1.16-music), 44.1 kHz
#                   stereo, peaks normalised to -6 dBFS;
#   speech.wav      every English telephone prompt of Asterisk (asterisk-core-sounds-en-wav, one
#                   recorded voice, 8 kHz mono), about 25 minutes, 0.3 s between prompts;
#   music-keys.wav  music.wav with a 100 ms key every 10 s, 5 s into each 10 s, cycling through
#                   123A456B789C*0#D; music-keys.txt lists them, "SECONDS KEY". Each tone is a sine
#                   of peak 0.05 (-26 dBFS) made mono, which ffmpeg's upmix to stereo puts at -29 dBFS
#                   in each channel.
# With --held-out, a second set of the same names from other recordings, to confirm on sound that
# no setting was tuned on:
#   music.wav       the second hour of the Wesnoth soundtrack;
#   speech.wav      the French and Spanish telephone prompts of Asterisk (two other voices);
#   music-keys.wav  keys as above over this music.wav;
#   music-other.wav and music-other-keys.wav (+ .txt)
#                   the same for the first hour of Warzone 2100's soundtrack (warzone2100-music:
#                   orchestral, electronic and rock).
# bench/detect_bench.sh measures both detectors on the set when it exists.
# Usage: scripts/recordings-set.sh [--held-out] OUT_DIR
set -euo pipefail
held_out=false
if [[ ${1:-} == --held-out ]]; then
  held_out=true
  shift
fi
out=${1:?usage: scripts/recordings-set.sh [--held-out] OUT_DIR}
mkdir -p "$out"

if $held_out; then
  bash "$(dirname "$0")/install-deps.sh" wesnoth-1.16-music warzone2100-music \
    asterisk-core-sounds-fr-wav asterisk-core-sounds-es-wav
else
  bash "$(dirname "$0")/install-deps.sh" wesnoth-1.16-music asterisk-core-sounds-en-wav
fi

# music_hour PACKAGE PATTERN OFFSET_S OUT: up to an hour of the package's tracks (file names
# matching PATTERN, in name order, played one after the other) from OFFSET_S seconds on, 44.1 kHz
# stereo, peaks at -6 dBFS.
music_hour() {
  local package=$1 pattern=$2 offset=$3 wav=$4
  [[ -s $wav ]] && return
  : >"$out/music-list.txt"
  while read -r f; do echo "file '$f'" >>"$out/music-list.txt"; done < <(dpkg -L "$package" | grep -E "$pattern" | sort)
  ffmpeg -nostdin -v fatal -y -f concat -safe 0 -i "$out/music-list.txt" -ss "$offset" -t 3600 -ar 44100 -ac 2 \
    -c:a pcm_s16le "$out/music-raw.wav"
  sox -V1 "$out/music-raw.wav" "$wav" gain -n -6
  rm -f "$out/music-raw.wav" "$out/music-list.txt"
}

# prompts WAV PACKAGE...: every prompt of the packages one after the other, 0.3 s apart, 8 kHz mono.
prompts() {
  local wav=$1
  shift
  [[ -s $wav ]] && return
  local files=() args=()
  for package in "$@"; do
    while read -r f; do files+=("$f"); done < <(dpkg -L "$package" | grep '\.wav$' | sort)
  done
  sox -n -r 8000 -c 1 -b 16 "$out/gap.wav" trim 0 0.3
  for f in "${files[@]}"; do args+=("$f" "$out/gap.wav"); done
  sox -V1 "${args[@]}" "$wav"
  rm -f "$out/gap.wav"
}

# keys_over MUSIC KEYED LIST: MUSIC with a 100 ms key every 10 s mixed in; LIST gets "SECONDS KEY".
keys_over() {
  local music=$1 keyed=$2 list=$3
  [[ -s $keyed ]] && return
  local keys="123A456B789C*0#D"
  local rows=(697 697 697 697 770 770 770 770 852 852 852 852 941 941 941 941)
  local cols=(1209 1336 1477 1633 1209 1336 1477 1633 1209 1336 1477 1633 1209 1336 1477 1633)
  for ((i = 0; i < 16; i++)); do
    ffmpeg -nostdin -v error -y -f lavfi \
      -i "aevalsrc=0.05*sin(2*PI*${rows[i]}*t)+0.05*sin(2*PI*${cols[i]}*t):s=44100:d=0.1" \
      -ac 2 -c:a pcm_f32le "$out/key$i.wav"
    sox "$out/key$i.wav" "$out/seg$i.wav" pad 5 4.9
  done
  local count segments=()
  count=$(awk "BEGIN {print int($(soxi -D "$music") / 10)}")
  : >"$list"
  for ((n = 0; n < count; n++)); do
    segments+=("$out/seg$((n % 16)).wav")
    echo "$((n * 10 + 5)) ${keys:n % 16:1}" >>"$list"
  done
  sox "${segments[@]}" "$out/keys.wav"
  sox -m -v 1 "$music" -v 1 "$out/keys.wav" -b 16 "$keyed"  # -v 1: no mixing attenuation
  rm -f "$out"/key*.wav "$out"/seg*.wav "$out/keys.wav"
}

if $held_out; then
  music_hour wesnoth-1.16-music '\.ogg$' 3600 "$out/music.wav"
  music_hour warzone2100-music '\.(ogg|opus)$' 0 "$out/music-other.wav"
  prompts "$out/speech.wav" asterisk-core-sounds-fr-wav asterisk-core-sounds-es-wav
  keys_over "$out/music.wav" "$out/music-keys.wav" "$out/music-keys.txt"
  keys_over "$out/music-other.wav" "$out/music-other-keys.wav" "$out/music-other-keys.txt"
else
  music_hour wesnoth-1.16-music '\.ogg$' 0 "$out/music.wav"
  prompts "$out/speech.wav" asterisk-core-sounds-en-wav
  keys_over "$out/music.wav" "$out/music-keys.wav" "$out/music-keys.txt"
fi
echo "recordings set in $out: $(soxi -D "$out/music.wav") s of music, $(soxi -D "$out/speech.wav") s of speech"
